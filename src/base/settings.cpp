#include "base/settings.h"

#include "base/module_state.h"

#include <windows.h>

int ReadSettingInt(const wchar_t* key, int defaultValue)
{
    if (g_moduleState.SettingsPath[0] == L'\0')
        return defaultValue;
    return static_cast<int>(GetPrivateProfileIntW(kSettingsSection, key, defaultValue, g_moduleState.SettingsPath));
}

void DeleteSetting(const wchar_t* key)
{
    if (g_moduleState.SettingsPath[0] == L'\0')
        return;
    WritePrivateProfileStringW(kSettingsSection, key, nullptr, g_moduleState.SettingsPath);
}

bool IsDebugEnabled()
{
    const DWORD lastError = GetLastError();
    const bool enabled = ReadSettingInt(kDebugKey, 0) != 0;
    SetLastError(lastError);
    return enabled;
}

bool IsTrueColorWanted()
{
    return ReadSettingInt(kTrueColorKey, 0) == 1;
}
