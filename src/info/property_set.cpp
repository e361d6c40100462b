#include "info/property_set.h"

#include "base/little_endian.h"

#include <cstring>

namespace {

// The stream's header, at its start.
constexpr std::size_t kByteOrderAt = 0;
constexpr std::size_t kVersionAt = 2;
// 4: the system that wrote it; 8: a class id (16 bytes). Neither is read.
constexpr std::size_t kSectionCountAt = 24;
constexpr std::size_t kHeaderBytes = 28;
constexpr std::uint16_t kByteOrderMark = 0xFFFE;
constexpr std::uint16_t kHighestVersion = 1;
// The format allows one section or two (the document summary and the
// user-defined one).
constexpr std::uint32_t kMostSections = 2;
// Each entry of the table of sections: a format id, then the offset of the
// section from the stream's start.
constexpr std::size_t kSectionFormatAt = 0;
constexpr std::size_t kSectionOffsetAt = 16;
constexpr std::size_t kSectionEntryBytes = 20;

// A section's header: its size in bytes and the entries of its property
// table, each an id and an offset from the section's start.
constexpr std::uint32_t kSectionSizeAt = 0;
constexpr std::uint32_t kPropertyCountAt = 4;
constexpr std::uint32_t kSectionHeaderBytes = 8;
constexpr std::uint32_t kPropertyIdAt = 0;
constexpr std::uint32_t kPropertyOffsetAt = 4;
constexpr std::uint32_t kPropertyEntryBytes = 8;

// A typed value: its type and 2 bytes of padding, then the value.
constexpr std::uint32_t kValueTypeBytes = 4;
// Text: its length (bytes of narrow text, characters of wide text, both
// with the terminator), then the characters.
constexpr std::uint32_t kTextLengthBytes = 4;
// A dictionary: its number of entries, then each an id, the name's length
// (as text above) and the name; in a UTF-16 section each entry is padded to
// four bytes.
constexpr std::uint32_t kDictionaryCountBytes = 4;
constexpr std::uint32_t kNameIdAt = 0;
constexpr std::uint32_t kNameLengthAt = 4;
constexpr std::uint32_t kNameAt = 8;

// Reads forward inside a section; every read first checks that the bytes
// are there.
struct SectionCursor {
    const std::uint8_t* bytes;
    std::uint32_t size;
    std::uint32_t at;

    bool Has(std::uint64_t length) const { return length <= size - at; }
    const std::uint8_t* Here() const { return bytes + at; }
};

// Text of length bytes at the cursor, up to its first terminator.
PropertyText TextAt(const SectionCursor& cursor, std::uint32_t length, bool wide)
{
    PropertyText text = {cursor.Here(), length, wide};
    if (!wide) {
        const void* terminator = std::memchr(text.bytes, 0, length);
        if (terminator != nullptr)
            text.size = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(terminator) - text.bytes);
        return text;
    }
    const std::uint32_t units = length / 2;
    std::uint32_t used = 0;
    while (used < units && ReadU16(text.bytes + 2 * used) != 0)
        ++used;
    text.size = 2 * used;
    return text;
}

// Text at the cursor: its length, counted in bytes or in 2-byte
// characters, then its characters, UTF-16LE when wide.
PropertySetRefusal ReadText(SectionCursor& cursor, bool countsCharacters, bool wide, PropertyText& text)
{
    if (!cursor.Has(kTextLengthBytes))
        return PropertySetRefusal::ValueCut;
    const std::uint64_t count = ReadU32(cursor.Here());
    cursor.at += kTextLengthBytes;
    const std::uint64_t length = countsCharacters ? 2 * count : count;
    if (!cursor.Has(length))
        return PropertySetRefusal::ValueCut;
    text = TextAt(cursor, static_cast<std::uint32_t>(length), wide);
    cursor.at += static_cast<std::uint32_t>(length);
    return PropertySetRefusal::None;
}

std::uint64_t ReadU64(const std::uint8_t* at)
{
    return std::uint64_t{ReadU32(at)} | std::uint64_t{ReadU32(at + 4)} << 32;
}

// The value of a property at offset from the section's start.
PropertySetRefusal ReadValueAt(const PropertySection& section, std::uint32_t offset, PropertyValue& value)
{
    value = {};
    const std::uint64_t tableEnd = kSectionHeaderBytes + std::uint64_t{kPropertyEntryBytes} * section.count;
    if (offset < tableEnd || offset >= section.size)
        return PropertySetRefusal::ValueOffset;
    SectionCursor cursor = {section.bytes, section.size, offset};
    if (!cursor.Has(kValueTypeBytes))
        return PropertySetRefusal::ValueCut;
    value.type = ReadU16(cursor.Here());
    cursor.at += kValueTypeBytes;
    switch (value.type) {
    case kTypeI2:
        if (!cursor.Has(2))
            return PropertySetRefusal::ValueCut;
        value.integer = static_cast<std::int16_t>(ReadU16(cursor.Here()));
        return PropertySetRefusal::None;
    case kTypeI4:
        if (!cursor.Has(4))
            return PropertySetRefusal::ValueCut;
        value.integer = ReadI32(cursor.Here());
        return PropertySetRefusal::None;
    case kTypeUi4:
        if (!cursor.Has(4))
            return PropertySetRefusal::ValueCut;
        value.integer = ReadU32(cursor.Here());
        return PropertySetRefusal::None;
    case kTypeR8: {
        if (!cursor.Has(8))
            return PropertySetRefusal::ValueCut;
        const std::uint64_t bits = ReadU64(cursor.Here());
        static_assert(sizeof value.real == sizeof bits, "an IEEE double");
        std::memcpy(&value.real, &bits, sizeof bits);
        return PropertySetRefusal::None;
    }
    case kTypeBool:
        if (!cursor.Has(2))
            return PropertySetRefusal::ValueCut;
        value.truth = ReadU16(cursor.Here()) != 0;
        return PropertySetRefusal::None;
    case kTypeFileTime:
        if (!cursor.Has(8))
            return PropertySetRefusal::ValueCut;
        value.fileTime = ReadU64(cursor.Here());
        return PropertySetRefusal::None;
    case kTypeNarrowText:
        // In a UTF-16 section, narrow text is UTF-16 too, counted in bytes.
        return ReadText(cursor, false, section.codePage == kUtf16CodePage, value.text);
    case kTypeWideText:
        return ReadText(cursor, true, true, value.text);
    default:
        return PropertySetRefusal::UnreadType;
    }
}

bool SameFormat(const std::uint8_t* at, const PropertyFormatId& format)
{
    return std::memcmp(at, format.bytes, sizeof format.bytes) == 0;
}

}  // namespace

const char* PropertySetRefusalName(PropertySetRefusal refusal)
{
    switch (refusal) {
    case PropertySetRefusal::None:
        return "none";
    case PropertySetRefusal::StreamTooLarge:
        return "stream too large";
    case PropertySetRefusal::HeaderCut:
        return "header cut";
    case PropertySetRefusal::ByteOrder:
        return "byte order";
    case PropertySetRefusal::Version:
        return "version";
    case PropertySetRefusal::SectionCount:
        return "section count";
    case PropertySetRefusal::SectionTableCut:
        return "section table cut";
    case PropertySetRefusal::NoSuchSection:
        return "no such section";
    case PropertySetRefusal::SectionOffset:
        return "section offset";
    case PropertySetRefusal::SectionSize:
        return "section size";
    case PropertySetRefusal::PropertyCount:
        return "property count";
    case PropertySetRefusal::NoSuchProperty:
        return "no such property";
    case PropertySetRefusal::ValueOffset:
        return "value offset";
    case PropertySetRefusal::ValueCut:
        return "value cut";
    case PropertySetRefusal::UnreadType:
        return "unread type";
    case PropertySetRefusal::DictionaryCut:
        return "dictionary cut";
    }
    return "unknown";
}

PropertySetRefusal FindPropertySection(const std::uint8_t* stream, std::size_t size, const PropertyFormatId& format,
                                       PropertySection& section)
{
    section = {};
    if (size > kMaxPropertySetBytes)
        return PropertySetRefusal::StreamTooLarge;
    if (stream == nullptr || size < kHeaderBytes)
        return PropertySetRefusal::HeaderCut;
    if (ReadU16(stream + kByteOrderAt) != kByteOrderMark)
        return PropertySetRefusal::ByteOrder;
    if (ReadU16(stream + kVersionAt) > kHighestVersion)
        return PropertySetRefusal::Version;
    const std::uint32_t sections = ReadU32(stream + kSectionCountAt);
    if (sections == 0 || sections > kMostSections)
        return PropertySetRefusal::SectionCount;
    if (size < kHeaderBytes + sections * kSectionEntryBytes)
        return PropertySetRefusal::SectionTableCut;
    const std::uint8_t* entry = stream + kHeaderBytes;
    for (std::uint32_t i = 0; i < sections && !SameFormat(entry + kSectionFormatAt, format); ++i)
        entry += kSectionEntryBytes;
    if (entry == stream + kHeaderBytes + sections * kSectionEntryBytes)
        return PropertySetRefusal::NoSuchSection;

    const std::uint32_t offset = ReadU32(entry + kSectionOffsetAt);
    if (offset < kHeaderBytes + sections * kSectionEntryBytes || offset > size || size - offset < kSectionHeaderBytes)
        return PropertySetRefusal::SectionOffset;
    const std::uint32_t sectionSize = ReadU32(stream + offset + kSectionSizeAt);
    if (sectionSize < kSectionHeaderBytes || sectionSize > size - offset)
        return PropertySetRefusal::SectionSize;
    const std::uint32_t count = ReadU32(stream + offset + kPropertyCountAt);
    if (count > (sectionSize - kSectionHeaderBytes) / kPropertyEntryBytes)
        return PropertySetRefusal::PropertyCount;
    section = {stream + offset, sectionSize, count, 0};
    PropertyValue codePage = {};
    if (ReadProperty(section, kCodePagePropertyId, codePage) == PropertySetRefusal::None && codePage.type == kTypeI2)
        section.codePage = static_cast<std::uint16_t>(codePage.integer);
    return PropertySetRefusal::None;
}

std::uint32_t PropertyIdAt(const PropertySection& section, std::uint32_t index)
{
    return ReadU32(section.bytes + kSectionHeaderBytes + index * kPropertyEntryBytes + kPropertyIdAt);
}

PropertySetRefusal ReadPropertyAt(const PropertySection& section, std::uint32_t index, PropertyValue& value)
{
    const std::uint32_t offset =
        ReadU32(section.bytes + kSectionHeaderBytes + index * kPropertyEntryBytes + kPropertyOffsetAt);
    return ReadValueAt(section, offset, value);
}

PropertySetRefusal ReadProperty(const PropertySection& section, std::uint32_t id, PropertyValue& value)
{
    value = {};
    for (std::uint32_t index = 0; index < section.count; ++index)
        if (PropertyIdAt(section, index) == id)
            return ReadPropertyAt(section, index, value);
    return PropertySetRefusal::NoSuchProperty;
}

PropertySetRefusal ReadPropertyDictionary(const PropertySection& section, PropertyDictionary& dictionary)
{
    dictionary.count = 0;
    std::uint32_t index = 0;
    while (index < section.count && PropertyIdAt(section, index) != kDictionaryPropertyId)
        ++index;
    if (index == section.count)
        return PropertySetRefusal::NoSuchProperty;
    const std::uint32_t offset =
        ReadU32(section.bytes + kSectionHeaderBytes + index * kPropertyEntryBytes + kPropertyOffsetAt);
    const std::uint64_t tableEnd = kSectionHeaderBytes + std::uint64_t{kPropertyEntryBytes} * section.count;
    if (offset < tableEnd || offset >= section.size)
        return PropertySetRefusal::ValueOffset;
    SectionCursor cursor = {section.bytes, section.size, offset};
    if (!cursor.Has(kDictionaryCountBytes))
        return PropertySetRefusal::DictionaryCut;
    const std::uint32_t entries = ReadU32(cursor.Here());
    cursor.at += kDictionaryCountBytes;
    const bool wide = section.codePage == kUtf16CodePage;
    while (dictionary.count < entries && dictionary.count < kMaxPropertyNames) {
        if (!cursor.Has(kNameAt))
            return PropertySetRefusal::DictionaryCut;
        PropertyName& name = dictionary.names[dictionary.count];
        name.id = ReadU32(cursor.Here() + kNameIdAt);
        const std::uint64_t count = ReadU32(cursor.Here() + kNameLengthAt);
        const std::uint64_t length = wide ? 2 * count : count;
        cursor.at += kNameAt;
        if (!cursor.Has(length))
            return PropertySetRefusal::DictionaryCut;
        name.name = TextAt(cursor, static_cast<std::uint32_t>(length), wide);
        cursor.at += static_cast<std::uint32_t>(length);
        ++dictionary.count;
        // A UTF-16 entry is padded to a multiple of four bytes; the last one
        // may end the section without its padding.
        const std::uint32_t padding = wide ? (4 - static_cast<std::uint32_t>(length % 4)) % 4 : 0;
        cursor.at += cursor.Has(padding) ? padding : cursor.size - cursor.at;
    }
    return PropertySetRefusal::None;
}

const PropertyText* FindPropertyName(const PropertyDictionary& dictionary, std::uint32_t id)
{
    for (std::uint32_t i = 0; i < dictionary.count; ++i)
        if (dictionary.names[i].id == id)
            return &dictionary.names[i].name;
    return nullptr;
}
