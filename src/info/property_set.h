#pragma once

// A property-set stream of a compound document ("\005SummaryInformation",
// "\005DocumentSummaryInformation"), parsed in memory of the caller's:
// the header, the table of sections, one section found by its format id,
// its property table, its code page and dictionary, and the values of the
// types a document's information uses. Platform free: narrow text is handed
// back as bytes in the section's code page for the caller to convert.

#include <cstddef>
#include <cstdint>

// The stream is read whole into memory, so it is refused past this: real
// sets are a few kilobytes, and the information's records share one cap.
inline constexpr std::uint32_t kMaxPropertySetBytes = 64 * 1024;
// Dictionary names indexed: a few times the custom properties shown (256),
// so that unnamed and unusable entries cannot hide the usable ones.
inline constexpr std::uint32_t kMaxPropertyNames = 1024;

// A section's format id, in the order of its 16 bytes in the stream.
struct PropertyFormatId {
    std::uint8_t bytes[16];
};
// F29F85E0-4FF9-1068-AB91-08002B27B3D9: author, dates, ...
inline constexpr PropertyFormatId kSummaryInformationFormat = {
    {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
// D5CDD502-2E9C-101B-9397-08002B2CF9AE: the document summary's first section.
inline constexpr PropertyFormatId kDocSummaryInformationFormat = {
    {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE}};
// D5CDD505-2E9C-101B-9397-08002B2CF9AE: its second, the user-defined one.
inline constexpr PropertyFormatId kUserDefinedPropertiesFormat = {
    {0x05, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE}};

// Property ids with a meaning of their own in every section.
inline constexpr std::uint32_t kDictionaryPropertyId = 0;
inline constexpr std::uint32_t kCodePagePropertyId = 1;
// Ids of the summary section.
inline constexpr std::uint32_t kAuthorPropertyId = 4;
inline constexpr std::uint32_t kLastAuthorPropertyId = 8;
inline constexpr std::uint32_t kCreatedPropertyId = 12;
inline constexpr std::uint32_t kLastSavedPropertyId = 13;

// The code page of a section whose strings are UTF-16LE.
inline constexpr std::uint32_t kUtf16CodePage = 1200;

// The value types read; every other type, vectors and arrays among them,
// is skipped.
inline constexpr std::uint16_t kTypeI2 = 2;
inline constexpr std::uint16_t kTypeI4 = 3;
inline constexpr std::uint16_t kTypeR8 = 5;
inline constexpr std::uint16_t kTypeBool = 11;
inline constexpr std::uint16_t kTypeUi4 = 19;
inline constexpr std::uint16_t kTypeNarrowText = 30;  // VT_LPSTR
inline constexpr std::uint16_t kTypeWideText = 31;    // VT_LPWSTR
inline constexpr std::uint16_t kTypeFileTime = 64;

enum class PropertySetRefusal {
    None,
    StreamTooLarge,   // past kMaxPropertySetBytes
    HeaderCut,        // fewer bytes than the header
    ByteOrder,        // not 0xFFFE
    Version,          // neither 0 nor 1
    SectionCount,     // neither 1 nor 2
    SectionTableCut,  // the table of sections runs past the stream
    NoSuchSection,    // no section of that format id
    SectionOffset,    // the section's header starts past the stream
    SectionSize,      // the section is smaller than its header or runs past the stream
    PropertyCount,    // the property table runs past the section
    NoSuchProperty,   // no property of that id
    ValueOffset,      // a value starts inside the table or past the section
    ValueCut,         // a value runs past the section
    UnreadType,       // a type the information does not read
    DictionaryCut,    // a dictionary entry runs past the section
};

// The name of a refusal, for messages.
const char* PropertySetRefusalName(PropertySetRefusal refusal);

// Text inside the stream, up to its terminator (or its declared end when it
// has none): UTF-16LE when wide, else bytes in the section's code page.
struct PropertyText {
    const std::uint8_t* bytes;
    std::uint32_t size;  // in bytes; even when wide
    bool wide;
};

struct PropertyValue {
    std::uint16_t type;      // one of the kType... above
    std::int64_t integer;    // kTypeI2, kTypeI4, kTypeUi4
    double real;             // kTypeR8
    bool truth;              // kTypeBool: any nonzero value is true
    std::uint64_t fileTime;  // kTypeFileTime: 100 ns since 1601-01-01, UTC
    PropertyText text;       // kTypeNarrowText, kTypeWideText
};

// A section whose header and property table are inside the stream.
struct PropertySection {
    const std::uint8_t* bytes;
    std::uint32_t size;
    std::uint32_t count;     // entries of the property table
    std::uint32_t codePage;  // 0 when the section has none (or not as an I2)
};

// Finds the section of that format id in a stream of size bytes.
PropertySetRefusal FindPropertySection(const std::uint8_t* stream, std::size_t size, const PropertyFormatId& format,
                                       PropertySection& section);

// The id of the property table's entry at index (below section.count).
std::uint32_t PropertyIdAt(const PropertySection& section, std::uint32_t index);

// The value of the property table's entry at index (below section.count).
PropertySetRefusal ReadPropertyAt(const PropertySection& section, std::uint32_t index, PropertyValue& value);

// The value of the first entry with that id.
PropertySetRefusal ReadProperty(const PropertySection& section, std::uint32_t id, PropertyValue& value);

// The names of property id 0, in the section's code page (UTF-16 in 1200),
// the first kMaxPropertyNames of them; entries past a refused one are lost.
struct PropertyName {
    std::uint32_t id;
    PropertyText name;
};
struct PropertyDictionary {
    std::uint32_t count;
    PropertyName names[kMaxPropertyNames];
};
PropertySetRefusal ReadPropertyDictionary(const PropertySection& section, PropertyDictionary& dictionary);

// The name of property id in the dictionary; null when it has none.
const PropertyText* FindPropertyName(const PropertyDictionary& dictionary, std::uint32_t id);
