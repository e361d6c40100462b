// Thumbnails: the document's picture scaled into the host's box.
#include "dib_fixture.h"
#include "reader_fixture.h"

#include <cstdint>

namespace {

int g_deletedObjects = 0;
BOOL WINAPI CountDeleteObject(HGDIOBJ object)
{
    ++g_deletedObjects;
    return DeleteObject(object);
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
    ImportPatch patch(plugin.Module(), "gdi32.dll", "DeleteObject", reinterpret_cast<const void*>(&CountDeleteObject));
    ASSERT_TRUE(patch.Applied());
    g_deletedObjects = 0;
    ExpectSize(ThumbnailSize(80, 60), 80, 60);
    EXPECT_EQ(g_deletedObjects, 0);
    ExpectSize(ThumbnailSize(100, 60), 100, 60);
    EXPECT_EQ(g_deletedObjects, 1);  // the picture read from the document
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
