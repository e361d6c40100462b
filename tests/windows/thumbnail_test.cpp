// Thumbnails: the document's picture scaled into the host's box.
#include "dib_fixture.h"
#include "reader_fixture.h"

#include <cstdint>
#include <vector>

namespace {

std::vector<HGDIOBJ> g_deletedObjects;
BOOL WINAPI RecordDeleteObject(HGDIOBJ object)
{
    g_deletedObjects.push_back(object);
    return DeleteObject(object);
}

HBITMAP g_readPicture = nullptr;
HBITMAP WINAPI RecordCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                    const BITMAPINFO* info, UINT usage)
{
    g_readPicture = CreateDIBitmap(dc, header, init, bits, info, usage);
    return g_readPicture;
}

class Thumbnails : public ReaderTest {
protected:
    // The thumbnail's size for a width x height picture in a 100 x 100 box.
    SIZE ThumbnailSize(int width, int height)
    {
        const std::wstring path = Document(Rle8Block(MakeBlockPicture(width, height)));
        HBITMAP thumbnail = Thumbnail(path, 100, 100);
        BITMAP description = {};
        GetObjectW(thumbnail, sizeof description, &description);
        DeleteObject(thumbnail);
        return {description.bmWidth, description.bmHeight};
    }

    HBITMAP Thumbnail(const std::wstring& path, int width, int height)
    {
        char content[8] = "content";
        return plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW")(path.c_str(), width, height,
                                                                                     content, 8);
    }
};

void ExpectSize(SIZE size, LONG width, LONG height)
{
    EXPECT_EQ(size.cx, width);
    EXPECT_EQ(size.cy, height);
}

}  // namespace

TEST_F(Thumbnails, PicturesAreScaledIntoTheBoxWithTheirProportions)
{
    ExpectSize(ThumbnailSize(300, 150), 100, 50);
    ExpectSize(ThumbnailSize(150, 300), 50, 100);
    ExpectSize(ThumbnailSize(200, 3), 100, 2);
    ExpectSize(ThumbnailSize(1000, 1), 100, 1);
    ExpectSize(ThumbnailSize(1, 1000), 1, 100);
}

TEST_F(Thumbnails, SmallerPictureIsReturnedAsReadAndAsWideOneIsScaledAnew)
{
    ImportPatch deletion(plugin.Module(), "gdi32.dll", "DeleteObject",
                         reinterpret_cast<const void*>(&RecordDeleteObject));
    ImportPatch creation(plugin.Module(), "gdi32.dll", "CreateDIBitmap",
                         reinterpret_cast<const void*>(&RecordCreateDIBitmap));
    ASSERT_TRUE(deletion.Applied());
    ASSERT_TRUE(creation.Applied());

    g_deletedObjects.clear();
    g_readPicture = nullptr;
    HBITMAP small = Thumbnail(Document(Rle8Block(MakeBlockPicture(80, 60))), 100, 100);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small, g_readPicture);  // the very bitmap the reader made
    EXPECT_TRUE(g_deletedObjects.empty());
    DeleteObject(small);

    // Not strictly narrower than the box: scaled into a new bitmap of the same size.
    HBITMAP wide = Thumbnail(Document(Rle8Block(MakeBlockPicture(100, 60))), 100, 100);
    ASSERT_NE(wide, nullptr);
    EXPECT_NE(wide, g_readPicture);
    EXPECT_EQ(g_deletedObjects, std::vector<HGDIOBJ>{g_readPicture});
    BITMAP description = {};
    EXPECT_EQ(GetObjectW(wide, sizeof description, &description), static_cast<int>(sizeof description));
    EXPECT_EQ(description.bmWidth, 100);
    EXPECT_EQ(description.bmHeight, 60);
    DeleteObject(wide);
}

TEST_F(Thumbnails, ContentBufferArgumentsChangeNothing)
{
    const IndexedPicture picture = MakeBlockPicture(300, 150);
    const std::wstring path = Document(Rle8Block(picture));
    const auto thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW");
    HBITMAP plain = thumbnail(path.c_str(), 100, 100, nullptr, 0);
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> expected = ReadPixels(plain, &width, &height);
    DeleteObject(plain);
    char content[16] = "\xff\x00garbage";
    for (int length : {-1, 0, 16, 1 << 30}) {
        HBITMAP other = thumbnail(path.c_str(), 100, 100, length == 0 ? nullptr : content, length);
        int otherWidth = 0;
        int otherHeight = 0;
        EXPECT_EQ(ReadPixels(other, &otherWidth, &otherHeight), expected) << length;
        EXPECT_EQ(otherWidth, width);
        EXPECT_EQ(otherHeight, height);
        DeleteObject(other);
    }
}

TEST_F(Thumbnails, ScaledPictureKeepsItsColoursInPlace)
{
    // Four quadrants of distinct colours, 200 x 100, scaled to 100 x 50.
    IndexedPicture picture = MakeBlockPicture(200, 100, 50);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            picture.indices[static_cast<size_t>(y) * 200 + x] = static_cast<std::uint8_t>((y / 50) * 2 + x / 100 + 1);
    HBITMAP thumbnail = Thumbnail(Document(Rle8Block(picture)), 100, 100);
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = ReadPixels(thumbnail, &width, &height);
    DeleteObject(thumbnail);
    ASSERT_EQ(width, 100);
    ASSERT_EQ(height, 50);
    EXPECT_EQ(pixels[12 * 100 + 25], picture.ColourAt(50, 25));
    EXPECT_EQ(pixels[12 * 100 + 75], picture.ColourAt(150, 25));
    EXPECT_EQ(pixels[37 * 100 + 25], picture.ColourAt(50, 75));
    EXPECT_EQ(pixels[37 * 100 + 75], picture.ColourAt(150, 75));
}

TEST_F(Thumbnails, DocumentWithoutPictureAndNullPathsGiveNull)
{
    WriteCompoundFile(folder.File(L"nopreview.SLDPRT"), {{L"Contents", {1}}});
    EXPECT_EQ(Thumbnail(folder.File(L"nopreview.SLDPRT"), 100, 100), nullptr);
    EXPECT_EQ(plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW")(nullptr, 100, 100, nullptr, 0),
              nullptr);
    EXPECT_EQ(plugin.Export<ListGetPreviewBitmapFunction>("ListGetPreviewBitmap")(nullptr, 100, 100, nullptr, 0),
              nullptr);
}

TEST_F(Thumbnails, AnsiTwinReadsTheSameDocument)
{
    const std::wstring path = Document(Rle8Block(MakeBlockPicture(300, 150)));
    HBITMAP thumbnail =
        plugin.Export<ListGetPreviewBitmapFunction>("ListGetPreviewBitmap")(ToAnsi(path).c_str(), 100, 100, nullptr, 0);
    BITMAP description = {};
    GetObjectW(thumbnail, sizeof description, &description);
    DeleteObject(thumbnail);
    EXPECT_EQ(description.bmWidth, 100);
    EXPECT_EQ(description.bmHeight, 50);
}

namespace {

HBITMAP WINAPI RefuseCompatibleBitmap(HDC, int, int)
{
    return nullptr;
}

// The reader's own GetDC(null) is left alone; the desktop window's is refused.
HDC WINAPI RefuseDesktopDc(HWND window)
{
    return window == nullptr ? GetDC(nullptr) : nullptr;
}

}  // namespace

TEST_F(Thumbnails, ScreenOrBitmapRefusedByThePlatform)
{
    ImportPatch deletion(plugin.Module(), "gdi32.dll", "DeleteObject",
                         reinterpret_cast<const void*>(&RecordDeleteObject));
    ImportPatch creation(plugin.Module(), "gdi32.dll", "CreateDIBitmap",
                         reinterpret_cast<const void*>(&RecordCreateDIBitmap));
    const std::wstring path = Document(Rle8Block(MakeBlockPicture(300, 150)));
    {
        // No screen device context: the picture comes back at its own size.
        ImportPatch screen(plugin.Module(), "user32.dll", "GetDC", reinterpret_cast<const void*>(&RefuseDesktopDc));
        ASSERT_TRUE(screen.Applied());
        g_deletedObjects.clear();
        g_readPicture = nullptr;
        HBITMAP picture = Thumbnail(path, 100, 100);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture, g_readPicture);
        EXPECT_TRUE(g_deletedObjects.empty());
        DeleteObject(picture);
    }
    // No thumbnail bitmap: null, and the picture is not leaked.
    ImportPatch bitmap(plugin.Module(), "gdi32.dll", "CreateCompatibleBitmap",
                       reinterpret_cast<const void*>(&RefuseCompatibleBitmap));
    ASSERT_TRUE(bitmap.Applied());
    g_deletedObjects.clear();
    g_readPicture = nullptr;
    EXPECT_EQ(Thumbnail(path, 100, 100), nullptr);
    ASSERT_NE(g_readPicture, nullptr);
    EXPECT_EQ(g_deletedObjects, std::vector<HGDIOBJ>{g_readPicture});
}
