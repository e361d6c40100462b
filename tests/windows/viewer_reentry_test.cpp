// A report box runs a message loop in which the host may close or reload the
// viewer whose reload is showing the box. The reload must neither write into
// a freed record nor overwrite a picture stored meanwhile.
#include "guarded_heap.h"
#include "viewer_host.h"

#include <set>

namespace {

// Bitmaps built by the plugin and not yet deleted by it.
std::set<HGDIOBJ> g_liveBitmaps;

HBITMAP WINAPI TrackCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                   const BITMAPINFO* info, UINT usage)
{
    HBITMAP bitmap = CreateDIBitmap(dc, header, init, bits, info, usage);
    if (bitmap != nullptr)
        g_liveBitmaps.insert(bitmap);
    return bitmap;
}

BOOL WINAPI TrackDeleteObject(HGDIOBJ object)
{
    g_liveBitmaps.erase(object);
    return DeleteObject(object);
}

class ReloadDuringBox : public ViewerTest {
protected:
    ReloadDuringBox()
    {
        WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nDebug=1");
        g_liveBitmaps.clear();
    }

    ImportPatch createPatch{plugin.Module(), "gdi32.dll", "CreateDIBitmap",
                            reinterpret_cast<const void*>(&TrackCreateDIBitmap)};
    ImportPatch deletePatch{plugin.Module(), "gdi32.dll", "DeleteObject",
                            reinterpret_cast<const void*>(&TrackDeleteObject)};
    const IndexedPicture first = QuadrantPicture(100, 80);
    const IndexedPicture later = QuadrantPicture(60, 50);
    const std::wstring missing = folder.File(L"missing.SLDPRT");
};

}  // namespace

TEST_F(ReloadDuringBox, ViewerClosedFromTheBoxIsNotWrittenAfterwards)
{
    ASSERT_TRUE(createPatch.Applied() && deletePatch.Applied());
    const std::wstring document = PictureDocument(first);
    // The record is allocated under the guard, so a write after its release
    // is an access violation rather than a silent success.
    GuardedHeap heap(plugin.Module());
    ASSERT_TRUE(heap.Applied());
    HWND viewer = Load(document, 0);
    ASSERT_NE(viewer, nullptr);
    plugin.RunInsideNextBox([&] { closeWindow(viewer); });

    EXPECT_EQ(loadNextW(host, viewer, missing.c_str(), 0), 1);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_FALSE(IsWindow(viewer));
    EXPECT_TRUE(g_liveBitmaps.empty());
    EXPECT_EQ(heap.LiveBlocks(), 0u);
}

TEST_F(ReloadDuringBox, ReloadFromTheBoxWinsAndNothingLeaks)
{
    ASSERT_TRUE(createPatch.Applied() && deletePatch.Applied());
    const std::wstring laterDocument = PictureDocument(later, L"later.SLDPRT");
    HWND viewer = LoadPicture(first, 0);
    ASSERT_NE(viewer, nullptr);
    int nestedResult = -1;
    plugin.RunInsideNextBox([&] { nestedResult = loadNextW(host, viewer, laterDocument.c_str(), 0); });

    EXPECT_EQ(loadNextW(host, viewer, missing.c_str(), 0), 1);
    EXPECT_EQ(nestedResult, 0);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(g_liveBitmaps.size(), 1u);
    const Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(5, 5), later.ColourAt(5, 5));
    EXPECT_EQ(shot.At(59, 49), later.ColourAt(59, 49));
    EXPECT_EQ(shot.At(60, 50), kBackgroundPixel);
    Close(viewer);
    EXPECT_TRUE(g_liveBitmaps.empty());
}

// The host turning dark reads the picture shown again; when the document is
// gone by then, its box may close the viewer or load another document, or
// just be closed, and the picture shown stays.
TEST_F(ReloadDuringBox, NewColoursWhoseReadShowsABoxLeaveWhatTheBoxDid)
{
    ASSERT_TRUE(createPatch.Applied() && deletePatch.Applied());
    const std::wstring document = PictureDocument(first);
    const std::wstring laterDocument = PictureDocument(later, L"later.SLDPRT");
    GuardedHeap heap(plugin.Module());
    ASSERT_TRUE(heap.Applied());
    HWND viewer = Load(document, 0);
    ASSERT_NE(viewer, nullptr);
    WriteFileBytes(document, "no longer a document");
    plugin.RunInsideNextBox([&] { closeWindow(viewer); });
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost), 1);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_FALSE(IsWindow(viewer));
    EXPECT_TRUE(g_liveBitmaps.empty());
    EXPECT_EQ(heap.LiveBlocks(), 0u);

    plugin.ClearBoxes();
    viewer = Load(laterDocument, 0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_EQ(loadNextW(host, viewer, PictureDocument(first).c_str(), 0), 0);
    WriteFileBytes(document, "no longer a document");
    int nestedResult = -1;
    plugin.RunInsideNextBox([&] { nestedResult = loadNextW(host, viewer, laterDocument.c_str(), 0); });
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost), 1);
    EXPECT_EQ(nestedResult, 0);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(g_liveBitmaps.size(), 1u);
    EXPECT_EQ(Capture(viewer).At(59, 49), later.ColourAt(59, 49)) << "the document loaded from the box";

    // Without the box doing anything, the picture shown stays. (The
    // document loaded from the box came with a light host's options.)
    WriteFileBytes(laterDocument, "no longer a document");
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost), 1);
    EXPECT_EQ(plugin.Boxes().size(), 2u);
    EXPECT_EQ(g_liveBitmaps.size(), 1u);
    EXPECT_EQ(Capture(viewer).At(59, 49), later.ColourAt(59, 49));
    Close(viewer);
    EXPECT_TRUE(g_liveBitmaps.empty());
    EXPECT_EQ(heap.LiveBlocks(), 0u);
}
