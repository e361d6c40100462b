#pragma once

// The names of a drawing's sheets, as the record "SheetNames" lists them,
// and the sheet that was active when the drawing was saved (the one its
// "Preview" shows). Platform free.

#include <cstddef>
#include <cstdint>

// Drawings have a handful of sheets; a count past this is no drawing's.
inline constexpr std::uint32_t kMaxSheets = 256;
// A counted name's own length byte allows 254 characters, its long form 255.
inline constexpr std::uint32_t kMaxSheetNameLength = 255;
// Real records are well under a kilobyte; the largest list of the largest
// names fits in this.
inline constexpr std::uint32_t kMaxSheetNamesBytes = 64 * 1024;

struct SheetList {
    std::uint32_t count;                  // 0 when the record is missing or refused
    std::uint32_t active;                 // below count
    std::uint32_t nameStart[kMaxSheets];  // of each name's first character in text
    std::uint32_t nameLength[kMaxSheets];
    // The names one after the other, each followed by a 0. Every name takes
    // at least 4 record bytes and so no more characters than half of them,
    // with room left for its terminator.
    char16_t text[kMaxSheetNamesBytes / 2];
};

// Fills sheets from the record: a 16-bit count, that many counted wide
// strings (0xFF, 0xFE 0xFF, a length byte, or 0xFF and a 16-bit length,
// then UTF-16LE characters) and a 32-bit active index, all little-endian,
// with nothing left over. False, with a count of 0, for anything else.
bool ParseSheetNames(const unsigned char* bytes, std::size_t size, SheetList& sheets);

// The record name of sheet i's picture ("Images/Sheet_<i>") in destination,
// which holds kSheetPictureNameCapacity characters.
inline constexpr std::uint32_t kSheetPictureNameCapacity = 24;
void SheetPictureName(std::uint32_t sheetIndex, char* destination);
