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

void ReadSettingText(const wchar_t* key, const wchar_t* defaultValue, wchar_t* out, unsigned capacity)
{
    if (capacity == 0)
        return;
    wchar_t settingsPath[kWidePathCapacity];
    CopySettingsPath(settingsPath);
    const wchar_t* path = settingsPath[0] != L'\0' ? settingsPath : nullptr;
    if (path == nullptr) {
        lstrcpynW(out, defaultValue, static_cast<int>(capacity));
        return;
    }
    GetPrivateProfileStringW(kSettingsSection, key, defaultValue, out, capacity, path);
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
