#pragma once

#include <windows.h>

inline constexpr int kWidePathCapacity = 1024;

// What the module keeps for its whole life in the host's process.
struct ModuleState {
    HINSTANCE moduleHandle;
};

extern ModuleState g_moduleState;

// The settings file's full path. Hosts may call ListSetDefaultParams again,
// from any thread, while viewers and thumbnails read settings: the path is
// worked out elsewhere and published whole, under a lock that readers share,
// so that no reader sees a path in the making.
void PublishSettingsPath(const wchar_t* path);

// Copies the published path into out, which holds kWidePathCapacity
// characters; empty before the first publication.
void CopySettingsPath(wchar_t* out);
