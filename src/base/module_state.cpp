#include "base/module_state.h"

#include "base/bounded_string.h"

ModuleState g_moduleState = {};

namespace {

// Held only while the path is copied in or out, never across a file access.
SRWLOCK g_settingsPathLock = SRWLOCK_INIT;
wchar_t g_settingsPath[kWidePathCapacity] = {};

}  // namespace

void PublishSettingsPath(const wchar_t* path)
{
    AcquireSRWLockExclusive(&g_settingsPathLock);
    CopyBounded(g_settingsPath, path, kWidePathCapacity);
    ReleaseSRWLockExclusive(&g_settingsPathLock);
}

void CopySettingsPath(wchar_t* out)
{
    AcquireSRWLockShared(&g_settingsPathLock);
    CopyBounded(out, g_settingsPath, kWidePathCapacity);
    ReleaseSRWLockShared(&g_settingsPathLock);
}
