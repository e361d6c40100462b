#include "info_records.h"
#include "info/property_set.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using ByteList = std::vector<std::uint8_t>;

// Format ids as the stream stores them.
#define SUMMARY_ID 0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9
#define DOC_SUMMARY_ID 0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE
#define USER_DEFINED_ID 0x05, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE

// A document summary stream as Windows writes it: the first section holds
// its code page only; the second, the user-defined one, a dictionary of two
// names in code page 1252, the code page and the two values.
const ByteList kCustom1252 = {
    0xFE, 0xFF, 0x00, 0x00, 0x06, 0x00, 0x02, 0x00,  // byte order, version, system
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // class id
    0x02, 0x00, 0x00, 0x00,                          // two sections
    DOC_SUMMARY_ID, 0x44, 0x00, 0x00, 0x00,          // at 68
    USER_DEFINED_ID, 0x5C, 0x00, 0x00, 0x00,         // at 92
    // 68: the document summary section, 24 bytes, one property
    0x18, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  //
    0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,  // code page at 16
    0x02, 0x00, 0x00, 0x00, 0xE4, 0x04, 0x00, 0x00,  // I2 1252
    // 92: the user-defined section, 108 bytes, four properties
    0x6C, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,  //
    0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00,  // dictionary at 40
    0x01, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x00,  // code page at 76
    0x02, 0x00, 0x00, 0x00, 0x54, 0x00, 0x00, 0x00,  // id 2 at 84
    0x03, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00,  // id 3 at 100
    // 40: two names, "Number" and "Gr\xFC\xDFe", then padding to 76
    0x02, 0x00, 0x00, 0x00,                                                           //
    0x02, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 'N', 'u', 'm', 'b', 'e', 'r', 0,  //
    0x03, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 'G', 'r', 0xFC, 0xDF, 'e', 0,     //
    0x00, 0x00, 0x00,                                                                 //
    0x02, 0x00, 0x00, 0x00, 0xE4, 0x04, 0x00, 0x00,                                   // 76: I2 1252
    0x1E, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,                                   // 84: LPSTR of 8 bytes
    'F', 'L', '-', '1', '4', '2', '0', 0,                                             //
    0x03, 0x00, 0x00, 0x00, 0x0D, 0xFC, 0xFF, 0xFF,  // 100: I4 -1011, the section's end at 200
};

// The same user-defined section in code page 1200: names counted in
// characters, each entry padded to four bytes; narrow text is UTF-16.
const ByteList kCustom1200 = {
    0xFE, 0xFF, 0x00, 0x00, 0x06, 0x00, 0x02, 0x00,  //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0x01, 0x00, 0x00, 0x00,                          // one section
    USER_DEFINED_ID, 0x30, 0x00, 0x00, 0x00,         // at 48
    0x58, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  // 88 bytes, three properties
    0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00,  // dictionary at 32
    0x01, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,  // code page at 64
    0x07, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00,  // id 7 at 72
    // 32: two names: "Ab" (3 characters, 6 bytes, 2 of padding), "\u00C9"
    0x02, 0x00, 0x00, 0x00,                          //
    0x07, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  //
    'A', 0, 'b', 0, 0, 0, 0xAA, 0xAA,                // padding, whatever it holds
    0x09, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  //
    0xC9, 0x00, 0x00, 0x00,                          //
    0x02, 0x00, 0x00, 0x00, 0xB0, 0x04, 0x00, 0x00,  // 64: I2 1200
    0x1E, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,  // 72: LPSTR of 6 bytes
    0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00, 0x00, 0x00,  // U+1F600, terminator, padding
};

std::string Hex(const std::uint8_t* bytes, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string TextOf(const PropertyText& text)
{
    return Hex(text.bytes, text.size) + (text.wide ? " (wide)" : " (narrow)");
}

std::string Expected(const char* bytes, std::size_t size, bool wide)
{
    return Hex(reinterpret_cast<const std::uint8_t*>(bytes), size) + (wide ? " (wide)" : " (narrow)");
}

PropertySection Found(const ByteList& stream, const PropertyFormatId& format)
{
    PropertySection section = {};
    const PropertySetRefusal refusal = FindPropertySection(stream.data(), stream.size(), format, section);
    EXPECT_EQ(refusal, PropertySetRefusal::None) << PropertySetRefusalName(refusal);
    return section;
}

void PutU32(ByteList& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The refusal of the user-defined section, or of reading its entry index.
PropertySetRefusal Refusal(const ByteList& stream, std::uint32_t index = 0)
{
    PropertySection section = {};
    const PropertySetRefusal found =
        FindPropertySection(stream.data(), stream.size(), kUserDefinedPropertiesFormat, section);
    if (found != PropertySetRefusal::None)
        return found;
    PropertyValue value = {};
    return ReadPropertyAt(section, index, value);
}

}  // namespace

TEST(PropertySet, FindsBothSectionsByFormatIdAndTheirNamesInEitherCodePage)
{
    const PropertySection first = Found(kCustom1252, kDocSummaryInformationFormat);
    EXPECT_EQ(first.bytes - kCustom1252.data(), 68);
    EXPECT_EQ(first.count, 1u);
    EXPECT_EQ(first.codePage, 1252u);
    const PropertySection user = Found(kCustom1252, kUserDefinedPropertiesFormat);
    EXPECT_EQ(user.bytes - kCustom1252.data(), 92);
    EXPECT_EQ(user.size, 108u);
    EXPECT_EQ(user.count, 4u);
    EXPECT_EQ(user.codePage, 1252u);
    PropertySection none = {};
    EXPECT_EQ(FindPropertySection(kCustom1252.data(), kCustom1252.size(), kSummaryInformationFormat, none),
              PropertySetRefusal::NoSuchSection);

    auto dictionary = std::make_unique<PropertyDictionary>();
    ASSERT_EQ(ReadPropertyDictionary(user, *dictionary), PropertySetRefusal::None);
    ASSERT_EQ(dictionary->count, 2u);
    ASSERT_NE(FindPropertyName(*dictionary, 3), nullptr);
    EXPECT_EQ(TextOf(*FindPropertyName(*dictionary, 2)), Expected("Number", 6, false));
    EXPECT_EQ(TextOf(*FindPropertyName(*dictionary, 3)), Expected("Gr\xFC\xDF"
                                                                  "e",
                                                                  5, false));
    EXPECT_EQ(FindPropertyName(*dictionary, 4), nullptr);
    // The table's order, as the platform lists the properties.
    const std::uint32_t ids[] = {0, 1, 2, 3};
    for (std::uint32_t index = 0; index < 4; ++index)
        EXPECT_EQ(PropertyIdAt(user, index), ids[index]) << index;
    PropertyValue value = {};
    ASSERT_EQ(ReadPropertyAt(user, 2, value), PropertySetRefusal::None);
    EXPECT_EQ(value.type, kTypeNarrowText);
    EXPECT_EQ(TextOf(value.text), Expected("FL-1420", 7, false));

    const PropertySection wide = Found(kCustom1200, kUserDefinedPropertiesFormat);
    EXPECT_EQ(wide.codePage, 1200u);
    ASSERT_EQ(ReadPropertyDictionary(wide, *dictionary), PropertySetRefusal::None);
    ASSERT_EQ(dictionary->count, 2u);
    ASSERT_NE(FindPropertyName(*dictionary, 9), nullptr);
    EXPECT_EQ(TextOf(*FindPropertyName(*dictionary, 7)), Expected("A\0b\0", 4, true));
    EXPECT_EQ(TextOf(*FindPropertyName(*dictionary, 9)), Expected("\xC9\0", 2, true)) << "after the padding";
    // Narrow text in a UTF-16 section is UTF-16, a surrogate pair whole.
    ASSERT_EQ(ReadProperty(wide, 7, value), PropertySetRefusal::None);
    EXPECT_EQ(TextOf(value.text), Expected("\x3D\xD8\x00\xDE", 4, true));
}

TEST(PropertySet, ReadsEveryTypeTheInformationShowsAndSkipsTheOthers)
{
    // A section of one property, its value as given.
    const auto stream = [](const ByteList& value) {
        ByteList bytes(kCustom1200.begin(), kCustom1200.begin() + 48);
        const auto size = static_cast<std::uint32_t>(16 + value.size());
        const ByteList header = {static_cast<std::uint8_t>(size), 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 16, 0, 0, 0};
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.insert(bytes.end(), value.begin(), value.end());
        return bytes;
    };
    std::vector<ByteList> streams;  // text read points into its stream
    const auto read = [&](const ByteList& value) {
        streams.push_back(stream(value));
        const ByteList& bytes = streams.back();
        PropertyValue read = {};
        const PropertySection section = Found(bytes, kUserDefinedPropertiesFormat);
        const PropertySetRefusal refusal = ReadProperty(section, 2, read);
        EXPECT_EQ(refusal, PropertySetRefusal::None)
            << PropertySetRefusalName(refusal) << " " << Hex(value.data(), value.size());
        return read;
    };
    EXPECT_EQ(read({2, 0, 0, 0, 0xF9, 0xFF, 0, 0}).integer, -7);
    EXPECT_EQ(read({3, 0, 0, 0, 0x00, 0x00, 0x00, 0x80}).integer, -2147483648LL);
    EXPECT_EQ(read({19, 0, 0, 0, 0x00, 0x28, 0x6B, 0xEE}).integer, 4000000000LL);
    EXPECT_EQ(read({5, 0, 0, 0, 0xF8, 0x53, 0xE3, 0xA5, 0x9B, 0xC4, 0x02, 0x40}).real, 2.346);
    EXPECT_TRUE(read({11, 0, 0, 0, 0xFF, 0xFF, 0, 0}).truth);
    EXPECT_FALSE(read({11, 0, 0, 0, 0x00, 0x00, 0, 0}).truth);
    // 2024-06-03T07:00:00Z
    EXPECT_EQ(read({64, 0, 0, 0, 0x00, 0x18, 0x86, 0xA6, 0x83, 0xB5, 0xDA, 0x01}).fileTime, 133618716000000000ULL);
    const PropertyValue wide = read({31, 0, 0, 0, 3, 0, 0, 0, 'O', 0, 'k', 0, 0, 0, 0, 0});
    EXPECT_EQ(wide.type, kTypeWideText);
    EXPECT_EQ(TextOf(wide.text), Expected("O\0k\0", 4, true));
    // Text without its terminator ends where its length says.
    EXPECT_EQ(TextOf(read({30, 0, 0, 0, 2, 0, 0, 0, 'O', 'k', 0, 0}).text), Expected("Ok", 2, false));

    // A vector, an array, a blob and a 2-byte unsigned are not read.
    for (const std::uint8_t type : {0x1E, 0x03, 0x41, 0x12}) {
        const ByteList bytes = stream({type,
                                       static_cast<std::uint8_t>(type == 0x03   ? 0x20
                                                                 : type == 0x1E ? 0x10
                                                                                : 0),
                                       0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
        PropertyValue value = {};
        EXPECT_EQ(ReadProperty(Found(bytes, kUserDefinedPropertiesFormat), 2, value), PropertySetRefusal::UnreadType)
            << "type " << Hex(bytes.data() + 64, 2);
    }
}

// Every offset and count is checked against the section, and the section
// against the stream; each refusal is its own.
TEST(PropertySet, RefusesWhatPointsPastTheSectionOrTheStream)
{
    EXPECT_EQ(Refusal(kCustom1252, 2), PropertySetRefusal::None);
    const struct {
        std::size_t at;  // of a 32-bit field, or of a 16-bit one below 4
        std::uint32_t value;
        PropertySetRefusal refusal;
        std::uint32_t index;
    } forged[] = {
        {0, 0xFEFF, PropertySetRefusal::ByteOrder, 0},  // big-endian
        {2, 2, PropertySetRefusal::Version, 0},
        {24, 3, PropertySetRefusal::SectionCount, 0},
        {24, 0, PropertySetRefusal::SectionCount, 0},
        {64, 196, PropertySetRefusal::SectionOffset, 0},          // the section's header past the end
        {64, 20, PropertySetRefusal::SectionOffset, 0},           // inside the table of sections
        {92, 109, PropertySetRefusal::SectionSize, 0},            // one byte past the stream
        {92, 7, PropertySetRefusal::SectionSize, 0},              // smaller than its header
        {96, 13, PropertySetRefusal::PropertyCount, 0},           // a table past the section
        {92 + 28, 108, PropertySetRefusal::ValueOffset, 2},       // the value at the section's end
        {92 + 28, 8, PropertySetRefusal::ValueOffset, 2},         // inside the table
        {92 + 88, 21, PropertySetRefusal::ValueCut, 2},           // text one byte past the section
        {92 + 88, 0xFFFFFFFF, PropertySetRefusal::ValueCut, 2},   // and far past it
        {92 + 100, 0x00010040, PropertySetRefusal::ValueCut, 3},  // a file time with 4 of its 8 bytes
    };
    for (const auto& forgery : forged) {
        ByteList bytes = kCustom1252;
        if (forgery.at < 4) {
            bytes[forgery.at] = static_cast<std::uint8_t>(forgery.value);
            bytes[forgery.at + 1] = static_cast<std::uint8_t>(forgery.value >> 8);
        } else {
            PutU32(bytes, forgery.at, forgery.value);
        }
        const PropertySetRefusal refusal = Refusal(bytes, forgery.index);
        EXPECT_EQ(refusal, forgery.refusal)
            << "bytes at " << forgery.at << " set to " << forgery.value << ": expected "
            << PropertySetRefusalName(forgery.refusal) << ", got " << PropertySetRefusalName(refusal);
    }

    // A dictionary entry longer than the section keeps the names before it.
    ByteList longName = kCustom1252;
    PutU32(longName, 92 + 40 + 4 + 15 + 4, 200);
    auto dictionary = std::make_unique<PropertyDictionary>();
    EXPECT_EQ(ReadPropertyDictionary(Found(longName, kUserDefinedPropertiesFormat), *dictionary),
              PropertySetRefusal::DictionaryCut);
    EXPECT_EQ(dictionary->count, 1u);
}

TEST(PropertySet, RefusesEveryCutStreamAndOnePastTheCap)
{
    // Cut anywhere, the section is refused: its size says it is longer.
    for (std::size_t size = 0; size < kCustom1252.size(); ++size) {
        const ByteList cut(kCustom1252.begin(), kCustom1252.begin() + size);
        EXPECT_NE(Refusal(cut, 2), PropertySetRefusal::None) << "cut to " << size;
    }
    // Past the cap, a stream is refused before anything in it is read.
    ByteList large = kCustom1252;
    large.resize(kMaxPropertySetBytes + 1);
    EXPECT_EQ(Refusal(large, 2), PropertySetRefusal::StreamTooLarge);
    large.resize(kMaxPropertySetBytes);
    EXPECT_EQ(Refusal(large, 2), PropertySetRefusal::None);

    // A dictionary that claims a billion names is read up to its cap.
    ByteList many(48, 0);
    std::memcpy(many.data(), kCustom1200.data(), 48);
    const std::uint32_t names = kMaxPropertyNames + 10;
    const std::uint32_t sectionSize = 16 + 4 + names * 12;
    many.resize(48 + sectionSize);
    PutU32(many, 48, sectionSize);
    PutU32(many, 52, 1);
    PutU32(many, 60, 16);
    PutU32(many, 64, 1000000000);
    for (std::uint32_t i = 0; i < names; ++i) {
        PutU32(many, 68 + 12 * i, i + 2);
        PutU32(many, 68 + 12 * i + 4, 4);  // "n" and three zeros
        many[68 + 12 * i + 8] = 'n';
    }
    auto dictionary = std::make_unique<PropertyDictionary>();
    EXPECT_EQ(ReadPropertyDictionary(Found(many, kUserDefinedPropertiesFormat), *dictionary), PropertySetRefusal::None);
    EXPECT_EQ(dictionary->count, kMaxPropertyNames);
    EXPECT_NE(FindPropertyName(*dictionary, kMaxPropertyNames + 1), nullptr);
    EXPECT_EQ(FindPropertyName(*dictionary, kMaxPropertyNames + 2), nullptr);
}

// The streams of the tests' fixtures, laid out as Windows writes them, in
// both code pages: every custom property found by its name, in order, with
// its type and value.
TEST(PropertySet, ReadsTheFixturesStreamsInBothCodePages)
{
    InfoContent content = SavedBy(4400);
    content.custom = {{"Description", "lpwstr", "Pipe flange"},
                      {"Weight", "r8", "2.346"},
                      {"Holes", "i4", "-1005"},
                      {"Checked", "bool", "true"},
                      {"Released", "filetime", "2024-06-03T07:00:00Z"}};
    for (const bool unicode : {false, true}) {
        content.unicodeSummary = unicode;
        content.unicodeCustom = unicode;
        const char* what = unicode ? "code page 1200" : "code page 1252";
        const ByteList summaryStream = SummaryInformationStream(content);
        const PropertySection summary = Found(summaryStream, kSummaryInformationFormat);
        EXPECT_EQ(summary.codePage, unicode ? 1200u : 1252u) << what;
        PropertyValue value = {};
        ASSERT_EQ(ReadProperty(summary, kAuthorPropertyId, value), PropertySetRefusal::None) << what;
        EXPECT_EQ(TextOf(value.text), unicode ? Expected("M\0.\0 \0L\0i\0n\0d\0q\0v\0i\0s\0t\0", 24, true)
                                              : Expected("M. Lindqvist", 12, false))
            << what;
        ASSERT_EQ(ReadProperty(summary, kCreatedPropertyId, value), PropertySetRefusal::None) << what;
        EXPECT_EQ(value.type, kTypeFileTime);
        EXPECT_EQ(value.fileTime, 133449451640000000ULL) << what << ": 2023-11-20T09:12:44Z";

        const ByteList documentStream = DocumentSummaryInformationStream(content);
        const PropertySection custom = Found(documentStream, kUserDefinedPropertiesFormat);
        auto dictionary = std::make_unique<PropertyDictionary>();
        ASSERT_EQ(ReadPropertyDictionary(custom, *dictionary), PropertySetRefusal::None) << what;
        ASSERT_EQ(custom.count, 2 + content.custom.size()) << what;
        const std::uint16_t types[] = {kTypeNarrowText, kTypeR8, kTypeI4, kTypeBool, kTypeFileTime};
        for (std::uint32_t index = 2; index < custom.count; ++index) {
            const CustomValue& written = content.custom[index - 2];
            const PropertyText* name = FindPropertyName(*dictionary, PropertyIdAt(custom, index));
            ASSERT_NE(name, nullptr) << what << ": " << written.name;
            std::string narrow;
            for (std::uint32_t i = 0; i < name->size; i += unicode ? 2 : 1)
                narrow += static_cast<char>(name->bytes[i]);
            EXPECT_EQ(narrow, written.name) << what;
            ASSERT_EQ(ReadPropertyAt(custom, index, value), PropertySetRefusal::None) << what << ": " << written.name;
            EXPECT_EQ(value.type, types[index - 2]) << what << ": " << written.name;
        }
        ASSERT_EQ(ReadPropertyAt(custom, 3, value), PropertySetRefusal::None);
        EXPECT_EQ(value.real, 2.346) << what;
        ASSERT_EQ(ReadPropertyAt(custom, 4, value), PropertySetRefusal::None);
        EXPECT_EQ(value.integer, -1005) << what;
        ASSERT_EQ(ReadPropertyAt(custom, 6, value), PropertySetRefusal::None);
        EXPECT_EQ(value.fileTime, 133618716000000000ULL) << what << ": 2024-06-03T07:00:00Z";
    }
}
