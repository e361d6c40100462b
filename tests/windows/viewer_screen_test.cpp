// What a viewer shows: the picture placed at natural size, fitted and centred
// on the background colour, read back from the screen.
#include "viewer_host.h"

namespace {

class ViewerScreen : public ViewerTest {
protected:
    // Checks that the picture's four quadrant centres appear where a picture
    // drawn at (x, y) with size width x height puts them.
    void ExpectPictureAt(const Screenshot& shot, const IndexedPicture& picture, int x, int y, int width, int height)
    {
        for (int qy = 0; qy < 2; ++qy) {
            for (int qx = 0; qx < 2; ++qx) {
                const int screenX = x + width * (2 * qx + 1) / 4;
                const int screenY = y + height * (2 * qy + 1) / 4;
                EXPECT_EQ(shot.At(screenX, screenY),
                          picture.ColourAt(picture.width * (2 * qx + 1) / 4, picture.height * (2 * qy + 1) / 4))
                    << "quadrant " << qx << "," << qy << " at " << screenX << "," << screenY;
            }
        }
        // The corners of the drawn area belong to the picture, the pixels
        // beyond them to the background.
        EXPECT_EQ(shot.At(x, y), picture.ColourAt(0, 0));
        EXPECT_EQ(shot.At(x + width - 1, y + height - 1), picture.ColourAt(picture.width - 1, picture.height - 1));
        if (x > 0) {
            EXPECT_EQ(shot.At(x - 1, y), kBackgroundPixel);
        }
        if (y > 0) {
            EXPECT_EQ(shot.At(x, y - 1), kBackgroundPixel);
        }
        if (x + width < shot.width) {
            EXPECT_EQ(shot.At(x + width, y + height - 1), kBackgroundPixel);
        }
        if (y + height < shot.height) {
            EXPECT_EQ(shot.At(x + width - 1, y + height), kBackgroundPixel);
        }
    }
};

}  // namespace

TEST_F(ViewerScreen, ChildWindowCoversTheHostWithTheViewerClass)
{
    HWND viewer = LoadPicture(QuadrantPicture(100, 80), 0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(GetParent(viewer), host);
    wchar_t className[32] = {};
    GetClassNameW(viewer, className, 32);
    EXPECT_STREQ(className, L"Corvelle");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(viewer, GWL_STYLE)) & 0xFFFF0000u,
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(GetClassLongPtrW(viewer, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrW(viewer, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(viewer, GWLP_HINSTANCE)), plugin.Module());
    EXPECT_NE(GetWindowLongPtrW(viewer, GWLP_USERDATA), 0);
    RECT rect = {};
    GetWindowRect(viewer, &rect);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, kHostWidth);
    EXPECT_EQ(rect.bottom, kHostHeight);
    Close(viewer);
    EXPECT_FALSE(IsWindow(viewer));
}

TEST_F(ViewerScreen, FailedLoadLeavesNoChildWindowButTheClassRegistered)
{
    WriteCompoundFile(folder.File(L"nopreview.SLDPRT"), {{L"Contents", {1}}});
    EXPECT_EQ(Load(folder.File(L"nopreview.SLDPRT"), 0), nullptr);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    WNDCLASSEXW viewerClass = {};
    viewerClass.cbSize = sizeof viewerClass;
    EXPECT_TRUE(GetClassInfoExW(plugin.Module(), L"Corvelle", &viewerClass));
    EXPECT_EQ(loadW(host, nullptr, 0), nullptr);
    EXPECT_EQ(load(host, nullptr, 0), nullptr);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
}

// A host that unloads the module and loads a newer copy must never get the
// old copy's class, whose window procedure would point into unloaded code.
TEST_F(ViewerScreen, UnloadedModuleLeavesNoClassBehind)
{
    const std::wstring document = PictureDocument(QuadrantPicture(60, 40));
    TempFolder otherFolder;
    HMODULE unloaded = nullptr;
    WNDCLASSEXW viewerClass = {};
    viewerClass.cbSize = sizeof viewerClass;
    {
        LoadedPlugin copy(otherFolder.Path());
        copy.SetDefaultParams(ToAnsi(otherFolder.File(L"host.ini")));
        HWND viewer = copy.Export<ListLoadWFunction>("ListLoadW")(host, document.c_str(), 0);
        ASSERT_NE(viewer, nullptr);
        copy.Export<ListCloseWindowFunction>("ListCloseWindow")(viewer);
        unloaded = copy.Module();
        ASSERT_TRUE(GetClassInfoExW(unloaded, L"Corvelle", &viewerClass));
    }
    EXPECT_FALSE(GetClassInfoExW(unloaded, L"Corvelle", &viewerClass))
        << "the class of the unloaded copy is still registered";

    // The copy that stays loaded registers and shows its own.
    HWND viewer = Load(document, 0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(GetClassInfoExW(plugin.Module(), L"Corvelle", &viewerClass));
    EXPECT_EQ(reinterpret_cast<void*>(viewerClass.lpfnWndProc),
              reinterpret_cast<void*>(GetWindowLongPtrW(viewer, GWLP_WNDPROC)));
    Close(viewer);
}

TEST_F(ViewerScreen, NaturalSizeDrawsAtTheTopLeftOnTheBackground)
{
    const IndexedPicture picture = QuadrantPicture(100, 80);
    HWND viewer = LoadPicture(picture, 0);
    const Screenshot shot = Capture(viewer);
    ASSERT_EQ(shot.width, kHostWidth);
    ASSERT_EQ(shot.height, kHostHeight);
    ExpectPictureAt(shot, picture, 0, 0, 100, 80);
    EXPECT_EQ(shot.At(kHostWidth - 1, kHostHeight - 1), kBackgroundPixel);
    Close(viewer);
}

TEST_F(ViewerScreen, CentredNaturalSizeHalvesTheDifferences)
{
    const IndexedPicture picture = QuadrantPicture(101, 81);
    HWND viewer = LoadPicture(picture, kShowFlagCenter);
    ExpectPictureAt(Capture(viewer), picture, 149, 109, 101, 81);
    Close(viewer);
}

TEST_F(ViewerScreen, FitScalesUpAndKeepsProportions)
{
    const IndexedPicture picture = QuadrantPicture(100, 80);
    HWND viewer = LoadPicture(picture, kShowFlagFit);
    // 400 wide would need 320 rows: the height decides, 375 x 300.
    ExpectPictureAt(Capture(viewer), picture, 0, 0, 375, 300);
    Close(viewer);
}

TEST_F(ViewerScreen, FitCentredScalesDownAWidePicture)
{
    const IndexedPicture picture = QuadrantPicture(800, 400);
    HWND viewer = LoadPicture(picture, kShowFlagFit | kShowFlagCenter);
    ExpectPictureAt(Capture(viewer), picture, 0, 50, 400, 200);
    Close(viewer);
}

TEST_F(ViewerScreen, FitLargerOnlyLeavesSmallPicturesAtTheirSize)
{
    const IndexedPicture picture = QuadrantPicture(100, 80);
    HWND viewer = LoadPicture(picture, kShowFlagFit | kShowFlagFitLargerOnly);
    ExpectPictureAt(Capture(viewer), picture, 0, 0, 100, 80);
    Close(viewer);
    viewer = LoadPicture(picture, kShowFlagFit | kShowFlagFitLargerOnly | kShowFlagCenter, L"again.SLDPRT");
    ExpectPictureAt(Capture(viewer), picture, 150, 110, 100, 80);
    Close(viewer);
}

TEST_F(ViewerScreen, FitLargerOnlyStillScalesLargePictures)
{
    const IndexedPicture picture = QuadrantPicture(1200, 600);
    HWND viewer = LoadPicture(picture, kShowFlagFit | kShowFlagFitLargerOnly | kShowFlagCenter);
    ExpectPictureAt(Capture(viewer), picture, 0, 50, 400, 200);
    EXPECT_FALSE(Bar(viewer, SB_HORZ).visible);
    EXPECT_FALSE(Bar(viewer, SB_VERT).visible);
    Close(viewer);
}

TEST_F(ViewerScreen, BackgroundComesFromBackColorOrIsWhite)
{
    const IndexedPicture picture = QuadrantPicture(10, 10);
    WriteSettings("BackColor=255");
    HWND viewer = LoadPicture(picture, 0);
    EXPECT_EQ(Capture(viewer).At(200, 200), 0x00FF0000u);
    Close(viewer);
    WriteSettings("Debug=0");
    viewer = LoadPicture(picture, 0, L"white.SLDPRT");
    EXPECT_EQ(Capture(viewer).At(200, 200), 0x00FFFFFFu);
    // The colour is read once per viewer: a reload keeps it.
    WriteSettings("BackColor=255");
    EXPECT_EQ(loadNextW(host, viewer, PictureDocument(picture, L"next.SLDPRT").c_str(), 0), 0);
    EXPECT_EQ(Capture(viewer).At(200, 200), 0x00FFFFFFu);
    Close(viewer);
}

TEST_F(ViewerScreen, EraseBackgroundDrawsNothingAndReturnsOne)
{
    HWND viewer = LoadPicture(QuadrantPicture(100, 80), 0);
    HDC dc = GetDC(viewer);
    EXPECT_EQ(SendMessageW(viewer, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(viewer, dc);
    Close(viewer);
}

TEST_F(ViewerScreen, HostSizeThatDiffersMovesTheViewerToTheCorner)
{
    HWND viewer = LoadPicture(QuadrantPicture(100, 80), 0);
    SetWindowPos(viewer, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(viewer, WM_SIZE, SIZE_RESTORED, MAKELPARAM(kHostWidth, kHostHeight));
    RECT rect = {};
    GetWindowRect(viewer, &rect);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 10);  // same size: nothing moves
    SendMessageW(viewer, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 150));
    GetWindowRect(viewer, &rect);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 200);
    EXPECT_EQ(rect.bottom, 150);
    Close(viewer);
}
