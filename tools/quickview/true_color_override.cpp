#include "true_color_override.h"

#include <windows.h>

namespace {

// The settings file's section and key, as the README documents them.
constexpr wchar_t kSection[] = L"Corvelle Settings";
constexpr wchar_t kKey[] = L"TrueColor";
// A default that no setting holds: tells an absent key from any value.
constexpr wchar_t kAbsent[] = L"\x1F<absent>";

std::wstring SettingsPathBesideProgram()
{
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::wstring path(program, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"corvelle.ini";
}

}  // namespace

TrueColorOverride::TrueColorOverride(bool wanted)
{
    if (!wanted)
        return;
    settingsPath_ = SettingsPathBesideProgram();
    if (settingsPath_.empty())
        return;
    wchar_t value[64];
    GetPrivateProfileStringW(kSection, kKey, kAbsent, value, 64, settingsPath_.c_str());
    hadValue_ = std::wstring(value) != kAbsent;
    oldValue_ = value;
    active_ = WritePrivateProfileStringW(kSection, kKey, L"1", settingsPath_.c_str()) != FALSE;
}

TrueColorOverride::~TrueColorOverride()
{
    if (!active_)
        return;
    WritePrivateProfileStringW(kSection, kKey, hadValue_ ? oldValue_.c_str() : nullptr, settingsPath_.c_str());
}
