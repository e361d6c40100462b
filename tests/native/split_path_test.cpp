#include "base/split_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Parts {
    wchar_t drive[3];
    wchar_t directory[260];
    wchar_t baseName[256];
    wchar_t extension[256];
};

Parts SplitAll(const wchar_t* path)
{
    Parts parts;
    SplitPath(path, {parts.drive, 3}, {parts.directory, 260}, {parts.baseName, 256}, {parts.extension, 256});
    return parts;
}

void ExpectParts(const Parts& parts, const wchar_t* drive, const wchar_t* directory, const wchar_t* baseName,
                 const wchar_t* extension)
{
    EXPECT_EQ(std::wstring(parts.drive), drive);
    EXPECT_EQ(std::wstring(parts.directory), directory);
    EXPECT_EQ(std::wstring(parts.baseName), baseName);
    EXPECT_EQ(std::wstring(parts.extension), extension);
}

}  // namespace

TEST(SplitPath, FullPathGivesAllFourParts)
{
    ExpectParts(SplitAll(L"D:\\tools\\plugins\\viewer.dll"), L"D:", L"\\tools\\plugins\\", L"viewer", L".dll");
}

TEST(SplitPath, BaseNameEndsAtTheLastDotAfterTheDirectory)
{
    ExpectParts(SplitAll(L"C:\\dir.x\\a.b.ext"), L"C:", L"\\dir.x\\", L"a.b", L".ext");
    ExpectParts(SplitAll(L"C:\\dir.x\\noext"), L"C:", L"\\dir.x\\", L"noext", L"");
    ExpectParts(SplitAll(L"C:\\dir\\.ini"), L"C:", L"\\dir\\", L"", L".ini");
}

TEST(SplitPath, ForwardSlashesAndMixedSeparatorsEndTheDirectory)
{
    ExpectParts(SplitAll(L"a/b\\c/d.txt"), L"", L"a/b\\c/", L"d", L".txt");
}

TEST(SplitPath, BareNamesAndEmptyOrNullPaths)
{
    ExpectParts(SplitAll(L"host.ini"), L"", L"", L"host", L".ini");
    ExpectParts(SplitAll(L""), L"", L"", L"", L"");
    ExpectParts(SplitAll(nullptr), L"", L"", L"", L"");
    ExpectParts(SplitAll(L"C:"), L"C:", L"", L"", L"");
    ExpectParts(SplitAll(L"C:name"), L"C:", L"", L"name", L"");
}

TEST(SplitPath, ColonOnlyCountsAsDriveInSecondPlace)
{
    ExpectParts(SplitAll(L"ab:c\\d"), L"", L"ab:c\\", L"d", L"");
}

TEST(SplitPath, PartThatDoesNotFitEmptiesEveryRequestedPart)
{
    const std::wstring longDirectory = L"C:\\" + std::wstring(258, L'd') + L"\\";  // 260 characters
    ExpectParts(SplitAll((longDirectory + L"name.ext").c_str()), L"", L"", L"", L"");

    const std::wstring fittingDirectory = L"C:\\" + std::wstring(257, L'd') + L"\\";  // 259 characters
    const Parts parts = SplitAll((fittingDirectory + L"name.ext").c_str());
    EXPECT_EQ(std::wstring(parts.directory).size(), 259u);
    EXPECT_EQ(std::wstring(parts.baseName), L"name");

    ExpectParts(SplitAll((L"C:\\d\\" + std::wstring(256, L'n') + L".ext").c_str()), L"", L"", L"", L"");
    ExpectParts(SplitAll((L"C:\\d\\n." + std::wstring(255, L'e')).c_str()), L"", L"", L"", L"");
}

TEST(SplitPath, PartsNotRequestedAreNeitherWrittenNorChecked)
{
    wchar_t baseName[256] = L"unchanged";
    wchar_t extension[5];
    // The directory would not fit 260 characters, but it is not requested.
    const std::wstring path = L"C:\\" + std::wstring(300, L'd') + L"\\bracket.SLD";
    SplitPath(path.c_str(), kPartNotWanted, kPartNotWanted, {baseName, 256}, {extension, 5});
    EXPECT_EQ(std::wstring(baseName), L"bracket");
    EXPECT_EQ(std::wstring(extension), L".SLD");

    wchar_t shortExtension[4];
    SplitPath(path.c_str(), kPartNotWanted, kPartNotWanted, {baseName, 256}, {shortExtension, 4});
    EXPECT_EQ(std::wstring(baseName), L"");
    EXPECT_EQ(std::wstring(shortExtension), L"");
}
