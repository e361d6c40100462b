#pragma once

// The record of a document's own information, apart from the code that
// reads it: which CAD release saved it, when and by whom, and its custom
// properties, as rows of a property and its value.

#include <windows.h>

#include <cstdint>

// Real documents carry a few dozen; a list past this is no document's.
inline constexpr std::uint32_t kMaxCustomProperties = 256;
// Names and values past this are cut: a panel row shows no more.
inline constexpr std::uint32_t kMaxInfoTextLength = 255;
// An information record in the archive is a few kilobytes; one that
// declares more is refused before a byte of it is inflated.
inline constexpr std::uint32_t kMaxInfoRecordBytes = 64 * 1024;

// The rows every document may have, in the order they are shown.
enum InfoField : std::uint32_t {
    kInfoSavedWith,
    kInfoCreated,
    kInfoLastSaved,
    kInfoAuthor,
    kInfoLastSavedBy,
    kInfoFieldCount,
};

struct InfoValue {
    bool present;
    bool hasTime;                          // a date: time holds the instant
    FILETIME time;                         // UTC
    wchar_t text[kMaxInfoTextLength + 1];  // as stored; a date in ISO 8601
};

struct CustomProperty {
    wchar_t name[kMaxInfoTextLength + 1];
    InfoValue value;
};

struct DocumentInfo {
    InfoValue fields[kInfoFieldCount];
    std::uint32_t releaseCode;  // the code "Saved with" names, when present
    std::uint32_t customCount;
    CustomProperty custom[kMaxCustomProperties];  // in the document's order
};

// One row: its label ("Saved with", ..., or a custom property's name) and
// its value.
struct InfoRow {
    const wchar_t* label;
    const InfoValue* value;
};
std::uint32_t InfoRowCount(const DocumentInfo& info);
InfoRow InfoRowAt(const DocumentInfo& info, std::uint32_t index);

// Copies text into a value or name, cut to kMaxInfoTextLength characters,
// never inside a surrogate pair. length is the text's, or at least one
// more than kMaxInfoTextLength when it is longer: a text already cut to
// the cap hides the pair it may end in.
void SetInfoText(wchar_t* destination, const wchar_t* text, std::uint32_t length);

// How many of the first kept of length UTF-16 units make whole characters.
std::uint32_t WholeCharacters(const wchar_t* text, std::uint32_t length, std::uint32_t kept);

// "Saved with": the release a code names ("2024", "2001 Plus"), or
// "release code <n>" for a code not known.
// The code is kept as well, for the content module's number.
void SetReleaseValue(DocumentInfo& info, std::uint32_t code);
