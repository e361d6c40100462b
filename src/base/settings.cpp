#include "base/settings.h"

#include "base/module_state.h"

#include <windows.h>

int ReadSettingInt(const wchar_t* key, int defaultValue)
{
    wchar_t settingsPath[kWidePathCapacity];
    CopySettingsPath(settingsPath);
    if (settingsPath[0] == L'\0')
        return defaultValue;
    return static_cast<int>(GetPrivateProfileIntW(kSettingsSection, key, defaultValue, settingsPath));
}

void DeleteSetting(const wchar_t* key)
{
    wchar_t settingsPath[kWidePathCapacity];
    CopySettingsPath(settingsPath);
    if (settingsPath[0] == L'\0')
        return;
    WritePrivateProfileStringW(kSettingsSection, key, nullptr, settingsPath);
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
