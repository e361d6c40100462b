#include "info/document_facts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Seconds from the platform's epoch, 1601-01-01, to the Unix one.
constexpr std::int64_t kUnixEpoch = 11644473600;

bool CodeOf(const char* name, std::uint32_t* code)
{
    return ReleaseCodeOfName(name, std::strlen(name), code);
}

bool DateOf(const std::u16string& text, std::int64_t* seconds)
{
    return ParseStoredDate(text.data(), text.size(), seconds);
}

}  // namespace

TEST(ReleaseCodes, NameTheReleasesTheCadVendorLists)
{
    const struct {
        std::uint32_t code;
        std::uint32_t year;
        bool plus;
    } listed[] = {{1500, 2000, false},  {1750, 2001, false}, {1950, 2001, true},  {2200, 2003, false},
                  {3800, 2008, false},  {5000, 2012, false}, {6000, 2013, false}, {11000, 2018, false},
                  {17000, 2024, false}, {18000, 2025, false}};
    for (const auto& release : listed) {
        const CadRelease found = ReleaseOfCode(release.code);
        EXPECT_TRUE(found.known) << release.code;
        EXPECT_EQ(found.year, release.year) << release.code;
        EXPECT_EQ(found.plus, release.plus) << release.code;
    }
    // Between the listed codes, past the last and before the first: unknown.
    for (const std::uint32_t code : {0u, 1499u, 1501u, 5500u, 6500u, 17999u, 19000u, 999999u})
        EXPECT_FALSE(ReleaseOfCode(code).known) << code;
}

TEST(ReleaseCodes, AreReadFromTheRecordNamesOnly)
{
    std::uint32_t code = 0;
    EXPECT_TRUE(CodeOf("_MO_VERSION_17000/History", &code));
    EXPECT_EQ(code, 17000u);
    EXPECT_TRUE(CodeOf("_MO_VERSION_4400", &code)) << "a compound file's storage";
    EXPECT_EQ(code, 4400u);
    EXPECT_TRUE(CodeOf("_MO_VERSION_999999/Biography", &code));
    EXPECT_EQ(code, 999999u);
    for (const char* forged :
         {"_MO_VERSION_", "_MO_VERSION_/History", "_MO_VERSION_1234567/History",
          "_MO_VERSION_99999999999999999999/History", "_MO_VERSION_-17000/History", "_MO_VERSION_17000x/History",
          "_MO_VERSION_ 17000", "_mo_version_17000/History", "Preview", "_MO_VERSIO"}) {
        code = 12345;
        EXPECT_FALSE(CodeOf(forged, &code)) << forged;
        EXPECT_EQ(code, 12345u) << forged << ": nothing written";
    }
}

TEST(StoredDates, AreReadAsTheCoreRecordWritesThem)
{
    std::int64_t seconds = 0;
    ASSERT_TRUE(DateOf(u"1970-01-01T00:00:00Z", &seconds));
    EXPECT_EQ(seconds, kUnixEpoch);
    // 2024-02-29 (a leap day) 13:45:07 UTC is Unix time 1709214307.
    ASSERT_TRUE(DateOf(u"2024-02-29T13:45:07Z", &seconds));
    EXPECT_EQ(seconds, kUnixEpoch + 1709214307);
    ASSERT_TRUE(DateOf(u"2024-02-29T13:45:07.1234567Z", &seconds));
    EXPECT_EQ(seconds, kUnixEpoch + 1709214307) << "the fraction is dropped";
    ASSERT_TRUE(DateOf(u"2024-03-01T01:15:07+11:30", &seconds));
    EXPECT_EQ(seconds, kUnixEpoch + 1709214307) << "an offset ahead of UTC, across the leap day";
    ASSERT_TRUE(DateOf(u"2024-02-29T08:45:07-05:00", &seconds));
    EXPECT_EQ(seconds, kUnixEpoch + 1709214307);
    ASSERT_TRUE(DateOf(u"1601-01-01T00:00:00Z", &seconds));
    EXPECT_EQ(seconds, 0);

    for (const char16_t* refused :
         {u"", u"2024-02-29", u"2024-02-29T13:45:07", u"2023-02-29T13:45:07Z", u"2024-13-01T00:00:00Z",
          u"2024-04-31T00:00:00Z", u"2024-01-01T24:00:00Z", u"2024-01-01T00:60:00Z", u"2024-01-01T00:00:00.Z",
          u"2024-01-01T00:00:00+5:00", u"2024-01-01T00:00:00Zjunk", u"1600-12-31T23:59:59Z",
          u"1601-01-01T00:00:00+00:01", u"+024-01-01T00:00:00Z", u"2024/01/01T00:00:00Z"}) {
        seconds = -7;
        EXPECT_FALSE(DateOf(refused, &seconds))
            << std::string(refused, refused + std::char_traits<char16_t>::length(refused));
        EXPECT_EQ(seconds, -7);
    }
}
