// Paths and files as users' disks have them: long and non-ASCII paths, ANSI
// paths in the system code page, documents another program holds open or
// wants to write, and a settings file that cannot be written.
#include "import_patch.h"
#include "viewer_host.h"

#include <string>
#include <vector>

namespace {

class Paths : public ViewerTest {
protected:
    HBITMAP ThumbnailAnsi(const std::string& path)
    {
        return plugin.Export<ListGetPreviewBitmapFunction>("ListGetPreviewBitmap")(path.c_str(), 1 << 20, 1 << 20,
                                                                                   nullptr, 0);
    }

    // A document whose full path, "\\?\" prefix included, is exactly length
    // characters long.
    std::wstring DocumentAtPathOfLength(size_t length)
    {
        std::wstring directory = L"\\\\?\\" + folder.Path();
        while (directory.size() + 1 + 200 + 1 + 12 < length) {
            directory += L"\\" + std::wstring(200, L'd');
            CreateDirectoryW(directory.c_str(), nullptr);
        }
        const size_t nameLength = length - directory.size() - 1;
        const std::wstring path = directory + L"\\" + std::wstring(nameLength - 7, L'p') + L".SLDPRT";
        WriteDocument(path, Rle8Block(MakeBlockPicture(30, 20)));
        return path;
    }

    const IndexedPicture picture = MakeBlockPicture(30, 20);
};

}  // namespace

TEST_F(Paths, PathsUpTo1023CharactersAreReadAndLongerOnesAreCut)
{
    const std::wstring longest = DocumentAtPathOfLength(1023);
    ASSERT_EQ(longest.size(), 1023u);
    HBITMAP bitmap = Read(longest);
    ASSERT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    HWND viewer = Load(longest, 0);
    EXPECT_NE(viewer, nullptr);
    Close(viewer);

    bitmap = ThumbnailAnsi(ToAnsi(longest));
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    // Longer ANSI paths, and the viewer's path, are cut to their first 1023
    // characters: here those name the document.
    for (const std::string& longer : {ToAnsi(longest) + "x", ToAnsi(longest) + std::string(4000, 'x')}) {
        bitmap = ThumbnailAnsi(longer);
        EXPECT_NE(bitmap, nullptr);
        DeleteObject(bitmap);
    }
    viewer = Load(longest + std::wstring(5000, L'x'), 0);
    EXPECT_NE(viewer, nullptr);
    Close(viewer);
    // A wide thumbnail path is the host's own string, handed on whole.
    EXPECT_EQ(Read(longest + std::wstring(5000, L'x')), nullptr);
    // A path cut short of any document fails cleanly.
    EXPECT_EQ(ThumbnailAnsi(ToAnsi(folder.File(std::wstring(2000, L'q')))), nullptr);
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(Paths, NonAsciiPathsAreReadAsTheyAre)
{
    const std::wstring path = folder.File(L"\u00DCberwurf \u00D812 \u2013 \u90E8\u54C1 \u2713.SLDPRT");
    WriteDocument(path, Rle8Block(picture));
    HBITMAP bitmap = Read(path);
    ExpectPixelsEqual(bitmap, picture);
    DeleteObject(bitmap);
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(Capture(viewer).At(29, 19), picture.ColourAt(29, 19));
    Close(viewer);
}

TEST_F(Paths, AnsiPathsAreTakenInTheSystemCodePage)
{
    // A name that the system code page can hold, if it can hold any accent.
    const std::wstring name = L"Geh\u00E4use \u00E9.SLDPRT";
    const std::string ansiName = ToAnsi(name);
    wchar_t back[64] = {};
    MultiByteToWideChar(CP_ACP, 0, ansiName.c_str(), -1, back, 64);
    if (name != back)
        GTEST_SKIP() << "the system code page " << GetACP() << " cannot hold the name";
    const std::wstring path = folder.File(name);
    WriteDocument(path, Rle8Block(picture));
    HBITMAP bitmap = ThumbnailAnsi(ToAnsi(path));
    ExpectPixelsEqual(bitmap, picture);
    DeleteObject(bitmap);
    HWND viewer = load(host, ToAnsi(path).c_str(), 0);
    EXPECT_NE(viewer, nullptr);
    Close(viewer);
}

// A document another program holds open to write it is read while that
// program lets others read it; one that lets nobody read it fails cleanly.
TEST_F(Paths, DocumentHeldOpenForWritingIsReadWhenSharedAndFailsCleanlyWhenNot)
{
    const std::wstring path = PictureDocument(picture);
    HANDLE sharing = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(sharing, INVALID_HANDLE_VALUE);
    HBITMAP shared = Read(path);
    EXPECT_NE(shared, nullptr) << "held open by a writer that lets others read";
    DeleteObject(shared);
    CloseHandle(sharing);

    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    SetDebug(0);
    EXPECT_EQ(Read(path), nullptr);
    EXPECT_EQ(Load(path, 0), nullptr);
    EXPECT_TRUE(plugin.Boxes().empty());

    SetDebug(1);
    EXPECT_EQ(Read(path), nullptr);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    // Neither container can be opened: the second, the archive's file, says why.
    EXPECT_EQ(
        plugin.Boxes()[0].text.rfind(L"CreateFileW failed with error " + std::to_wstring(ERROR_SHARING_VIOLATION), 0),
        0u)
        << plugin.Boxes()[0].text;
    CloseHandle(writer);

    // Once the other program lets go, the document reads again.
    HBITMAP bitmap = Read(path);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
}

namespace {

// A storage of a platform that does not know the single-writer mode: it
// refuses that flag, as it refuses any flag it does not know.
std::vector<DWORD> g_storageModes;
HRESULT WINAPI RefuseSingleWriterMode(const wchar_t* path, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                                      IStorage** opened)
{
    g_storageModes.push_back(mode);
    if ((mode & STGM_DIRECT_SWMR) != 0)
        return STG_E_INVALIDFLAG;
    return StgOpenStorage(path, priority, mode, exclude, reserved, opened);
}

}  // namespace

TEST_F(Paths, StorageWithoutTheSingleWriterModeReadsTheDocumentAsBefore)
{
    const std::wstring path = PictureDocument(picture);
    ImportPatch refusing(plugin.Module(), "ole32.dll", "StgOpenStorage",
                         reinterpret_cast<const void*>(&RefuseSingleWriterMode));
    ASSERT_TRUE(refusing.Applied());
    g_storageModes.clear();
    SetDebug(1);
    HBITMAP bitmap = Read(path);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    EXPECT_TRUE(plugin.Boxes().empty());
    const std::vector<DWORD> expected = {STGM_READ | STGM_SHARE_DENY_NONE | STGM_DIRECT_SWMR,
                                         STGM_READ | STGM_SHARE_DENY_WRITE | STGM_DIRECT};
    EXPECT_EQ(g_storageModes, expected);
}

TEST_F(Paths, NothingIsLeftOpenForAnotherProgramToTripOver)
{
    const std::wstring path = PictureDocument(picture);
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    // The viewer holds the picture, not the document.
    EXPECT_TRUE(CanOpenForWriting(path));
    EXPECT_EQ(loadNextW(host, viewer, path.c_str(), kShowFlagFit), 0);
    EXPECT_TRUE(CanOpenForWriting(path));
    Close(viewer);
    DeleteObject(Read(path));
    EXPECT_TRUE(CanOpenForWriting(path));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(Paths, SettingsFileThatCannotBeWrittenKeepsItsCenterImageKey)
{
    const std::wstring settings = folder.File(L"corvelle.ini");
    WriteSettings("CenterImage=1");
    SetFileAttributesW(settings.c_str(), FILE_ATTRIBUTE_READONLY);
    // Held open without write sharing as well: as root, Wine writes read-only files.
    HANDLE reader = CreateFileW(settings.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);

    HWND viewer = LoadPicture(picture, 0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(GetPrivateProfileIntW(L"Corvelle Settings", L"CenterImage", -1, settings.c_str()), 1);
    // The centre option still reaches the host, and nothing is reported.
    const std::vector<MSG> handOver = HostMessages(WM_COMMAND);
    ASSERT_EQ(handOver.size(), 1u);
    EXPECT_EQ(handOver[0].wParam, MAKEWPARAM(1, kCenterHandOverCode));
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);

    CloseHandle(reader);
    SetFileAttributesW(settings.c_str(), FILE_ATTRIBUTE_NORMAL);
}
