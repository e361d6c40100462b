#include "preview/sheet_names.h"

#include <cstdio>

namespace {

// Fields of the record, as the CAD program writes them.
constexpr std::size_t kCountBytes = 2;
constexpr std::size_t kActiveIndexBytes = 4;
constexpr unsigned char kCountedStringMark = 0xFF;    // starts every name
constexpr unsigned char kWideMark[2] = {0xFE, 0xFF};  // the name is UTF-16LE
constexpr unsigned char kLongLength = 0xFF;           // a 16-bit length follows

// Reads forward through the record; every read first checks that the bytes
// are there.
struct RecordCursor {
    const unsigned char* bytes;
    std::size_t size;
    std::size_t at;

    bool Has(std::size_t length) const { return size - at >= length; }
    std::uint32_t U8() { return bytes[at++]; }
    std::uint32_t U16()
    {
        const std::uint32_t value = bytes[at] | std::uint32_t{bytes[at + 1]} << 8;
        at += 2;
        return value;
    }
    std::uint32_t U32()
    {
        const std::uint32_t value = U16();
        return value | U16() << 16;
    }
};

// One counted wide name, appended to the list's text; false when refused.
bool ReadName(RecordCursor& cursor, SheetList& sheets, std::uint32_t sheet, std::uint32_t& textUsed)
{
    if (!cursor.Has(4) || cursor.U8() != kCountedStringMark || cursor.U8() != kWideMark[0] ||
        cursor.U8() != kWideMark[1])
        return false;
    std::uint32_t length = cursor.U8();
    if (length == kLongLength) {
        if (!cursor.Has(2))
            return false;
        length = cursor.U16();
    }
    if (length > kMaxSheetNameLength || !cursor.Has(std::size_t{length} * 2))
        return false;
    if (textUsed + length + 1 > sizeof sheets.text / sizeof sheets.text[0])
        return false;
    sheets.nameStart[sheet] = textUsed;
    sheets.nameLength[sheet] = length;
    for (std::uint32_t i = 0; i < length; ++i)
        sheets.text[textUsed++] = static_cast<char16_t>(cursor.U16());
    sheets.text[textUsed++] = u'\0';
    return true;
}

bool ParseInto(const unsigned char* bytes, std::size_t size, SheetList& sheets)
{
    if (bytes == nullptr || size > kMaxSheetNamesBytes)
        return false;
    RecordCursor cursor = {bytes, size, 0};
    if (!cursor.Has(kCountBytes))
        return false;
    const std::uint32_t count = cursor.U16();
    if (count == 0 || count > kMaxSheets)
        return false;
    std::uint32_t textUsed = 0;
    for (std::uint32_t sheet = 0; sheet < count; ++sheet)
        if (!ReadName(cursor, sheets, sheet, textUsed))
            return false;
    if (!cursor.Has(kActiveIndexBytes))
        return false;
    const std::uint32_t active = cursor.U32();
    if (active >= count || cursor.at != size)
        return false;
    sheets.count = count;
    sheets.active = active;
    return true;
}

}  // namespace

bool ParseSheetNames(const unsigned char* bytes, std::size_t size, SheetList& sheets)
{
    // The count is set only once everything has checked out.
    sheets.count = 0;
    sheets.active = 0;
    return ParseInto(bytes, size, sheets);
}

void SheetPictureName(std::uint32_t sheetIndex, char* destination)
{
    std::snprintf(destination, kSheetPictureNameCapacity, "Images/Sheet_%u", static_cast<unsigned>(sheetIndex));
}
