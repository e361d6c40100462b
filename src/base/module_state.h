#pragma once

#include <windows.h>

inline constexpr int kWidePathCapacity = 1024;

// What the module keeps for its whole life in the host's process.
struct ModuleState {
    HINSTANCE moduleHandle;
    wchar_t SettingsPath[kWidePathCapacity];
};

extern ModuleState g_moduleState;
