#include "command_line.h"

#include <gtest/gtest.h>

namespace {

ParsedCommandLine Parse(std::vector<std::wstring> arguments)
{
    return ParseQuickviewCommandLine(arguments);
}

}  // namespace

TEST(QuickviewCommandLine, ViewingTakesFilesWithSizeAndFlagsAnywhere)
{
    const ParsedCommandLine parsed = Parse({L"a.SLDPRT", L"--flags", L"0x62", L"b.SLDASM", L"--size", L"640x480"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.mode, QuickviewMode::View);
    EXPECT_EQ(parsed.options.files, (std::vector<std::wstring>{L"a.SLDPRT", L"b.SLDASM"}));
    EXPECT_EQ(parsed.options.showFlags, 0x62);
    EXPECT_EQ(parsed.options.windowWidth, 640);
    EXPECT_EQ(parsed.options.windowHeight, 480);
    // After "--" everything is a file, even what looks like an option.
    const ParsedCommandLine dashed = Parse({L"--", L"--size"});
    ASSERT_TRUE(dashed.ok);
    EXPECT_EQ(dashed.options.files, std::vector<std::wstring>{L"--size"});
}

TEST(QuickviewCommandLine, ScreenshotTakesExactlyOneDocument)
{
    const ParsedCommandLine parsed = Parse({L"--screenshot", L"out.png", L"--flags", L"66", L"part.SLDPRT"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.mode, QuickviewMode::Screenshot);
    EXPECT_EQ(parsed.options.output, L"out.png");
    EXPECT_EQ(parsed.options.showFlags, 66);
    EXPECT_EQ(parsed.options.windowWidth, 800);  // the default size
    EXPECT_FALSE(Parse({L"--screenshot", L"out.png", L"a", L"b"}).ok);
    EXPECT_FALSE(Parse({L"--screenshot", L"out.png"}).ok);
    EXPECT_FALSE(Parse({L"--screenshot", L"", L"a"}).ok);
}

TEST(QuickviewCommandLine, SheetGoesWithAScreenshotAndDarkAddsBothDarkBits)
{
    const ParsedCommandLine parsed =
        Parse({L"--screenshot", L"out.png", L"--flags", L"2", L"--dark", L"--sheet", L"0", L"plan.SLDDRW"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.sheet, 0);
    EXPECT_EQ(parsed.options.showFlags, 0x182);
    EXPECT_EQ(Parse({L"--screenshot", L"o.png", L"--sheet", L"255", L"d"}).options.sheet, 255);
    EXPECT_EQ(Parse({L"--screenshot", L"o.png", L"d"}).options.sheet, -1) << "as saved";
    for (const wchar_t* wrong : {L"256", L"-1", L"01", L"", L"x"})
        EXPECT_FALSE(Parse({L"--screenshot", L"o.png", L"--sheet", wrong, L"d"}).ok) << wrong;
    EXPECT_FALSE(Parse({L"--sheet", L"1", L"d"}).ok) << "viewing chooses sheets with the keys";
    EXPECT_FALSE(Parse({L"--thumbnails", L"out", L"--dark", L"d"}).ok);
    EXPECT_EQ(Parse({L"--dark", L"d"}).options.showFlags, 0x180);
}

TEST(QuickviewCommandLine, ThumbnailsTakeABoxButNoWindowSize)
{
    const ParsedCommandLine parsed = Parse({L"--thumbnails", L"out", L"--box", L"128X64", L"a", L"b", L"c"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.mode, QuickviewMode::Thumbnails);
    EXPECT_EQ(parsed.options.boxWidth, 128);
    EXPECT_EQ(parsed.options.boxHeight, 64);
    EXPECT_EQ(parsed.options.files.size(), 3u);
    EXPECT_FALSE(Parse({L"--thumbnails", L"out", L"--size", L"10x10", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--box", L"10x10", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--thumbnails", L"out", L"--screenshot", L"x.png", L"a"}).ok);
}

TEST(QuickviewCommandLine, InfoTakesDocumentsOnly)
{
    const ParsedCommandLine parsed = Parse({L"a.SLDPRT", L"--info", L"b.SLDDRW"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.mode, QuickviewMode::Info);
    EXPECT_EQ(parsed.options.files, (std::vector<std::wstring>{L"a.SLDPRT", L"b.SLDDRW"}));
    EXPECT_FALSE(Parse({L"--info"}).ok);
    EXPECT_FALSE(Parse({L"--info", L"--thumbnails", L"out", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--screenshot", L"o.png", L"--info", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--info", L"--size", L"10x10", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--info", L"--dark", L"a"}).ok);

    const ParsedCommandLine fields = Parse({L"--fields", L"a.SLDPRT"});
    ASSERT_TRUE(fields.ok) << fields.error;
    EXPECT_EQ(fields.options.mode, QuickviewMode::Fields);
    EXPECT_FALSE(Parse({L"--fields"}).ok);
    EXPECT_FALSE(Parse({L"--fields", L"--info", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--fields", L"--true-color", L"a"}).ok);
}

TEST(QuickviewCommandLine, MistakesAreNamed)
{
    EXPECT_EQ(Parse({}).error, L"no document given");
    EXPECT_EQ(Parse({L"--frobnicate", L"1", L"a"}).error, L"unknown option --frobnicate");
    EXPECT_EQ(Parse({L"a", L"--size"}).error, L"--size needs a value");
    EXPECT_FALSE(Parse({L"--help"}).error.size());
    EXPECT_EQ(Parse({L"--help"}).options.mode, QuickviewMode::Help);
}

TEST(QuickviewCommandLine, SizesAndFlagsAreCheckedStrictly)
{
    int width = 0;
    int height = 0;
    EXPECT_TRUE(ParseSize(L"1x16384", &width, &height));
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 16384);
    for (const wchar_t* bad :
         {L"0x10", L"10x0", L"16385x1", L"x10", L"10x", L"-5x5", L"5x5x5", L"1e3x5", L"99999999x1"})
        EXPECT_FALSE(ParseSize(bad, &width, &height)) << bad;

    int flags = 0;
    EXPECT_TRUE(ParseFlags(L"0xFFFFFFFF", &flags));
    EXPECT_EQ(flags, -1);
    EXPECT_TRUE(ParseFlags(L"4294967295", &flags));
    EXPECT_EQ(flags, -1);
    for (const wchar_t* bad : {L"", L"0x", L"4294967296", L"0x100000000", L"12a", L"-1", L"0xG"})
        EXPECT_FALSE(ParseFlags(bad, &flags)) << bad;
}

TEST(QuickviewCommandLine, ThumbnailNamesKeepTheExtensionAndNeverCollide)
{
    std::set<std::wstring> used;
    EXPECT_EQ(ThumbnailFileName(L"C:\\cad\\bracket.SLDPRT", &used), L"bracket.SLDPRT.png");
    EXPECT_EQ(ThumbnailFileName(L"C:\\cad\\bracket.SLDDRW", &used), L"bracket.SLDDRW.png");
    EXPECT_EQ(ThumbnailFileName(L"D:/other/BRACKET.sldprt", &used), L"BRACKET.sldprt-2.png");
    EXPECT_EQ(ThumbnailFileName(L"bracket.SLDPRT", &used), L"bracket.SLDPRT-3.png");
    EXPECT_EQ(ThumbnailFileName(L"C:\\cad\\", &used), L"document.png");
}

TEST(QuickviewCommandLine, DpiGoesWithAWindowAndStaysInThePlatformsRange)
{
    EXPECT_EQ(Parse({L"--dpi", L"144", L"a"}).options.dpi, 144);
    EXPECT_EQ(Parse({L"--screenshot", L"o.png", L"--dpi", L"480", L"a"}).options.dpi, 480);
    EXPECT_EQ(Parse({L"a"}).options.dpi, 0) << "the system's";
    for (const wchar_t* wrong : {L"95", L"481", L"0", L"-144", L"1.5", L""})
        EXPECT_FALSE(Parse({L"--dpi", wrong, L"a"}).ok) << wrong;
    EXPECT_FALSE(Parse({L"--thumbnails", L"out", L"--dpi", L"144", L"a"}).ok);
    EXPECT_FALSE(Parse({L"--info", L"--dpi", L"144", L"a"}).ok);
}
