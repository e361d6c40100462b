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

SavedTrueColor SetTrueColorForRun(bool wanted)
{
    SavedTrueColor saved;
    if (!wanted)
        return saved;
    saved.settingsPath = SettingsPathBesideProgram();
    if (saved.settingsPath.empty())
        return saved;
    wchar_t value[64];
    GetPrivateProfileStringW(kSection, kKey, kAbsent, value, 64, saved.settingsPath.c_str());
    saved.hadValue = std::wstring(value) != kAbsent;
    saved.value = value;
    saved.changed = WritePrivateProfileStringW(kSection, kKey, L"1", saved.settingsPath.c_str()) != FALSE;
    return saved;
}

void RestoreTrueColor(const SavedTrueColor& saved)
{
    if (!saved.changed)
        return;
    WritePrivateProfileStringW(kSection, kKey, saved.hadValue ? saved.value.c_str() : nullptr,
                               saved.settingsPath.c_str());
}
