#pragma once

// The settings file: section, keys, and reads made afresh at each use.

inline constexpr wchar_t kSettingsSection[] = L"Corvelle Settings";
inline constexpr wchar_t kBackColorKey[] = L"BackColor";
// The background when the host is dark; not in the settings template.
inline constexpr wchar_t kDarkBackColorKey[] = L"DarkBackColor";
inline constexpr wchar_t kCenterImageKey[] = L"CenterImage";
inline constexpr wchar_t kDebugKey[] = L"Debug";
// 1: show the document's true-colour "PreviewPNG" where it has one.
inline constexpr wchar_t kTrueColorKey[] = L"TrueColor";
// 1: a new viewer shows the document's information beside the picture.
inline constexpr wchar_t kInfoPanelKey[] = L"InfoPanel";
// The custom properties the content module offers as fields of their own,
// separated by '|'.
inline constexpr wchar_t kContentFieldsKey[] = L"ContentFields";
inline constexpr wchar_t kDefaultContentFields[] = L"Description|Number|PartNo|Material|Revision|Weight|DrawnBy";

inline constexpr int kDefaultBackColor = 0xFFFFFF;
// The dark grey (0x202020, 2105376) of dark hosts' own windows.
inline constexpr int kDefaultDarkBackColor = 0x202020;
inline constexpr int kCenterImageAbsent = -1;

// The key's integer value, or defaultValue when the file, section or key is
// missing. Before the settings path is known every key reads as absent.
int ReadSettingInt(const wchar_t* key, int defaultValue);

// The key's text into out, which holds capacity characters with the
// terminator (cut to fit), or defaultValue when the file, section or key is
// missing or the path is not yet known.
void ReadSettingText(const wchar_t* key, const wchar_t* defaultValue, wchar_t* out, unsigned capacity);

// Removes a key from the settings file; nothing while the path is unknown.
void DeleteSetting(const wchar_t* key);

// Whether Debug is non-zero. Leaves the thread's last-error value as it was,
// so that a report made right after still sees the failed call's code.
bool IsDebugEnabled();

// Whether TrueColor is 1 (any other value counts as 0).
bool IsTrueColorWanted();
