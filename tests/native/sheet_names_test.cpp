#include "preview/sheet_names.h"
#include "sheet_names_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Append(Bytes& bytes, const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
}

std::u16string NameOf(const SheetList& sheets, std::uint32_t sheet)
{
    return std::u16string(sheets.text + sheets.nameStart[sheet], sheets.nameLength[sheet]);
}

struct Parsed {
    bool ok;
    std::unique_ptr<SheetList> sheets;
};

Parsed Parse(const Bytes& bytes)
{
    Parsed parsed = {false, std::make_unique<SheetList>()};
    parsed.sheets->count = 99;  // must be cleared on refusal
    parsed.ok = ParseSheetNames(bytes.data(), bytes.size(), *parsed.sheets);
    return parsed;
}

}  // namespace

TEST(ParseSheetNames, ReadsTheNamesInOrderAndTheSavedSheet)
{
    // The two-sheet record of the format's own description, byte for byte.
    const Bytes record = {
        0x02, 0x00,                                                              // two sheets
        0xFF, 0xFE, 0xFF, 0x06, 'S', 0, 'h', 0, 'e', 0, 'e', 0, 't', 0, '1', 0,  // "Sheet1"
        0xFF, 0xFE, 0xFF, 0x06, 'S', 0, 'h', 0, 'e', 0, 'e', 0, 't', 0, '2', 0,  // "Sheet2"
        0x01, 0x00, 0x00, 0x00,                                                  // the second is active
    };
    const Parsed parsed = Parse(record);
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.sheets->count, 2u);
    EXPECT_EQ(parsed.sheets->active, 1u);
    EXPECT_EQ(NameOf(*parsed.sheets, 0), u"Sheet1");
    EXPECT_EQ(NameOf(*parsed.sheets, 1), u"Sheet2");
    // Each name is terminated in place, for the platform's tab texts.
    EXPECT_EQ(parsed.sheets->text[parsed.sheets->nameStart[1] + 6], u'\0');

    // Long-form lengths, a name of 255 characters, an empty one, non-ASCII.
    const std::u16string longest(255, u'\x00C9');
    Bytes longForms = {0x03, 0x00};
    Append(longForms, CountedName(u"Detail", true));
    Append(longForms, CountedName(longest));
    Append(longForms, CountedName(u""));
    Append(longForms, {0x02, 0x00, 0x00, 0x00});
    const Parsed wide = Parse(longForms);
    ASSERT_TRUE(wide.ok);
    EXPECT_EQ(NameOf(*wide.sheets, 0), u"Detail");
    EXPECT_EQ(NameOf(*wide.sheets, 1), longest);
    EXPECT_EQ(NameOf(*wide.sheets, 2), u"");
    EXPECT_EQ(wide.sheets->active, 2u);

    // 256 sheets, the most there may be.
    const Parsed most = Parse(SheetNamesRecord(std::vector<std::u16string>(256, u"S"), 255));
    ASSERT_TRUE(most.ok);
    EXPECT_EQ(most.sheets->count, 256u);
}

TEST(ParseSheetNames, RefusesWhatDoesNotFitWithACountOfZero)
{
    const Bytes good = SheetNamesRecord({u"A", u"B"}, 1);
    Bytes leftOver = good;
    leftOver.push_back(0);
    Bytes missing = good;
    missing.pop_back();
    Bytes notWide = good;
    notWide[3] = 0xFD;  // FE FF marks the name as wide
    Bytes tooLong = {0x01, 0x00};
    Append(tooLong, CountedName(std::u16string(256, u'x')));
    Append(tooLong, {0, 0, 0, 0});
    Bytes nameCut = {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0x06, 'S', 0};
    const Bytes oversized(kMaxSheetNamesBytes + 1, 0);

    const struct {
        const char* what;
        Bytes bytes;
    } refused[] = {
        {"empty", {}},
        {"count alone", {0x02}},
        {"no sheets", SheetNamesRecord({}, 0)},
        {"257 sheets", SheetNamesRecord(std::vector<std::u16string>(257, u"S"), 0)},
        {"a count above the names", SheetNamesRecord(3, {u"A", u"B"}, 0)},
        {"active index at the count", SheetNamesRecord({u"A", u"B"}, 2)},
        {"active index far past it", SheetNamesRecord({u"A", u"B"}, 0x80000000u)},
        {"a byte left over", leftOver},
        {"a byte missing", missing},
        {"a name not wide", notWide},
        {"a name of 256 characters", tooLong},
        {"a name cut off", nameCut},
        {"a record over 64 KiB", oversized},
    };
    for (const auto& record : refused) {
        const Parsed parsed = Parse(record.bytes);
        EXPECT_FALSE(parsed.ok) << record.what;
        EXPECT_EQ(parsed.sheets->count, 0u) << record.what;
    }
}
