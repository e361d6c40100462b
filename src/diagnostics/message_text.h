#pragma once

#include "base/version.h"

#include <cstddef>
#include <cstdint>

// The platform-free parts of the error boxes: trimming and expanding the
// system's text, the fallback text for codes the system does not know, and
// the two message formats.

inline constexpr wchar_t kReportTitle[] = L"Corvelle " CORVELLE_VERSION;

// Spare characters that each message buffer has beyond its texts.
inline constexpr std::size_t kLastErrorMessageSpare = 40;
inline constexpr std::size_t kHresultMessageSpare = 100;

// Characters, terminator included, that the fallback code text may use.
inline constexpr std::size_t kFallbackTextCapacity = 32;

// Length of a system text once its one trailing line end ("\n" or "\r\n") is
// cut off. Texts of one character or less are left as they are.
std::size_t TrimmedSystemTextLength(const wchar_t* text);

// "IDispatch error #N" for 0x80040201..0x8004FFFF, else "Unknown error 0xCODE".
void FormatFallbackCodeText(std::uint32_t code, wchar_t* out, std::size_t capacity);

// Copies text into out with insert in place of the two characters "%1", but
// only when the first percent sign of the text is followed by the digit 1.
// Capacity must be at least length(text) + length(insert) + 1.
void ExpandFirstInsert(const wchar_t* text, const wchar_t* insert, wchar_t* out, std::size_t capacity);

// "LABEL failed with error VALUE: TEXT", value in signed decimal.
void FormatLastErrorMessage(const wchar_t* label, std::int32_t value, const wchar_t* systemText, wchar_t* out,
                            std::size_t capacity);

// "LABEL failed with error CODE: TEXT", code in lower-case hexadecimal.
void FormatHresultMessage(const wchar_t* label, std::uint32_t code, const wchar_t* text, wchar_t* out,
                          std::size_t capacity);

// "New initialization file is "PATH"", the notice of a new settings file.
void FormatNewSettingsNotice(const wchar_t* settingsPath, wchar_t* out, std::size_t capacity);
