// Scroll bars as the platform holds them, scroll requests and the wheel.
#include "viewer_host.h"

#include <iterator>
#include <vector>

namespace {

class ViewerScroll : public ViewerTest {
protected:
    int BarWidth() const { return GetSystemMetrics(SM_CXVSCROLL); }
    int BarHeight() const { return GetSystemMetrics(SM_CYHSCROLL); }

    void ExpectBar(HWND viewer, int bar, int pictureSize, int clientSize, int position)
    {
        const ScrollBarState state = Bar(viewer, bar);
        EXPECT_TRUE(state.visible) << bar;
        EXPECT_EQ(state.nMin, 0) << bar;
        EXPECT_EQ(state.nMax, pictureSize - 1) << bar;
        EXPECT_EQ(state.nPage, static_cast<UINT>(clientSize)) << bar;
        EXPECT_EQ(state.nPos, position) << bar;
    }

    // With both bars on screen and the horizontal one scrolled to its end,
    // the client's last column shows the picture's last column: painting
    // follows the bars that the platform really shows.
    void ExpectRightEdgeReachable(HWND viewer, const IndexedPicture& picture)
    {
        ASSERT_TRUE(Bar(viewer, SB_HORZ).visible);
        ASSERT_TRUE(Bar(viewer, SB_VERT).visible);
        SendMessageW(viewer, WM_HSCROLL, SB_RIGHT, 0);
        const RECT client = ClientRect(viewer);
        const int position = Bar(viewer, SB_HORZ).nPos;
        EXPECT_EQ(position, picture.width - client.right);
        const Screenshot shot = Capture(viewer);
        for (const int y : {0, static_cast<int>(client.bottom / 2), static_cast<int>(client.bottom - 1)}) {
            EXPECT_EQ(shot.At(client.right - 1, y), picture.ColourAt(picture.width - 1, y)) << "row " << y;
            EXPECT_EQ(shot.At(0, y), picture.ColourAt(position, y)) << "row " << y;
        }
    }
};

}  // namespace

TEST_F(ViewerScroll, PictureLargerInBothDirectionsGetsBothBars)
{
    HWND viewer = LoadPicture(QuadrantPicture(600, 500), 0);
    const RECT client = ClientRect(viewer);
    EXPECT_EQ(client.right, kHostWidth - BarWidth());
    EXPECT_EQ(client.bottom, kHostHeight - BarHeight());
    ExpectBar(viewer, SB_HORZ, 600, client.right, 0);
    ExpectBar(viewer, SB_VERT, 500, client.bottom, 0);
    Close(viewer);
}

TEST_F(ViewerScroll, OneBarForcesTheOtherThroughTheNestedResize)
{
    // Taller than the window but narrow enough to need no horizontal bar,
    // until the vertical bar takes its width away.
    const int width = kHostWidth - BarWidth() / 2;
    HWND viewer = LoadPicture(QuadrantPicture(width, 400), 0);
    const RECT client = ClientRect(viewer);
    EXPECT_EQ(client.right, kHostWidth - BarWidth());
    EXPECT_EQ(client.bottom, kHostHeight - BarHeight());
    ExpectBar(viewer, SB_HORZ, width, client.right, 0);
    ExpectBar(viewer, SB_VERT, 400, client.bottom, 0);
    Close(viewer);
}

TEST_F(ViewerScroll, OnePixelExcessGetsNoBarTwoPixelsGetOne)
{
    HWND viewer = LoadPicture(QuadrantPicture(kHostWidth + 1, 100), kShowFlagCenter);
    EXPECT_FALSE(Bar(viewer, SB_HORZ).visible);
    EXPECT_FALSE(Bar(viewer, SB_VERT).visible);
    // Drawn from x = 0 even when centred; the last column is cut off.
    const Screenshot shot = Capture(viewer);
    const IndexedPicture picture = QuadrantPicture(kHostWidth + 1, 100);
    EXPECT_EQ(shot.At(0, 150), picture.ColourAt(0, 50));
    EXPECT_EQ(shot.At(0, 99), kBackgroundPixel);
    Close(viewer);

    viewer = LoadPicture(QuadrantPicture(kHostWidth + 2, 100), 0, L"two.SLDPRT");
    ExpectBar(viewer, SB_HORZ, kHostWidth + 2, kHostWidth, 0);
    SendMessageW(viewer, WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 2);
    Close(viewer);
}

TEST_F(ViewerScroll, RequestsMoveThePositionWithinItsSpan)
{
    const IndexedPicture picture = QuadrantPicture(300, 1000);
    HWND viewer = LoadPicture(picture, 0);
    ASSERT_FALSE(Bar(viewer, SB_HORZ).visible);
    const int page = ClientRect(viewer).bottom;
    ASSERT_EQ(page, kHostHeight);
    const int largest = 1000 - page;

    struct Step {
        WPARAM request;
        int expected;
    };
    const Step steps[] = {
        {SB_LINEUP, 0},  // -30 held at 0
        {SB_LINEDOWN, 30},
        {SB_PAGEDOWN, 30 + page},
        {SB_PAGEUP, 30},
        {SB_ENDSCROLL, 30},
        {SB_BOTTOM, largest},  // asks for 999, held at 700
        {SB_LINEDOWN, largest},
        {SB_TOP, 0},
        {MAKEWPARAM(SB_THUMBPOSITION, 500), 0},  // the thumb position comes from the bar, not wParam
    };
    for (const Step& step : steps) {
        SendMessageW(viewer, WM_VSCROLL, step.request, 0);
        EXPECT_EQ(Bar(viewer, SB_VERT).nPos, step.expected) << LOWORD(step.request);
    }
    Close(viewer);
}

TEST_F(ViewerScroll, ScrolledPictureShowsTheRowsAtThePosition)
{
    // Rows of distinct colours: row r has index r / 10.
    IndexedPicture picture = QuadrantPicture(300, 1000);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 300; ++x)
            picture.indices[static_cast<size_t>(y) * 300 + x] = static_cast<std::uint8_t>(y / 10);
    HWND viewer = LoadPicture(picture, kShowFlagCenter);  // centring applies only across
    Capture(viewer);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    const Screenshot shot = Capture(viewer);
    const int left = (shot.width - 300) / 2;
    EXPECT_EQ(shot.At(left + 10, 0), picture.ColourAt(0, 60));
    EXPECT_EQ(shot.At(left + 10, 100), picture.ColourAt(0, 160));
    EXPECT_EQ(shot.At(left + 10, shot.height - 1), picture.ColourAt(0, 60 + shot.height - 1));
    EXPECT_EQ(shot.At(left - 1, 100), kBackgroundPixel);
    Close(viewer);
}

TEST_F(ViewerScroll, WheelScrollsThreeLinesAndNeverReachesTheHost)
{
    HWND viewer = LoadPicture(QuadrantPicture(300, 1000), 0);
    SendMessageW(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 90);
    SendMessageW(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);  // a delta of 0 scrolls down
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 180);
    SendMessageW(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 90);
    SendMessageW(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, 1200), 0);  // whatever the delta
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);
    EXPECT_EQ(g_hostWheelMessages, 0);
    Close(viewer);
}

TEST_F(ViewerScroll, WheelWithoutVerticalBarDoesNothing)
{
    HWND viewer = LoadPicture(QuadrantPicture(1000, 100), 0);
    ASSERT_TRUE(Bar(viewer, SB_HORZ).visible);
    SendMessageW(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);
    EXPECT_EQ(g_hostWheelMessages, 0);
    Close(viewer);
}

TEST_F(ViewerScroll, RangeMaximumOfExactlyOneIsIgnored)
{
    HWND viewer = LoadPicture(QuadrantPicture(100, 80), 0);
    SetScrollRange(viewer, SB_VERT, 0, 1, FALSE);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(viewer, SB_VERT), 0);
    SetScrollRange(viewer, SB_VERT, 0, 2, FALSE);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(viewer, SB_VERT), 2);
    Close(viewer);
}

namespace {

BOOL WINAPI ScrollInfoWithTrackPosition(HWND window, int bar, SCROLLINFO* info)
{
    const BOOL result = GetScrollInfo(window, bar, info);
    info->nTrackPos = 77;
    return result;
}

}  // namespace

TEST_F(ViewerScroll, ThumbRequestsGoToTheTrackPosition)
{
    HWND viewer = LoadPicture(QuadrantPicture(300, 1000), 0);
    ImportPatch patch(plugin.Module(), "user32.dll", "GetScrollInfo",
                      reinterpret_cast<const void*>(&ScrollInfoWithTrackPosition));
    ASSERT_TRUE(patch.Applied());
    SendMessageW(viewer, WM_VSCROLL, SB_THUMBTRACK, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 77);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageW(viewer, WM_VSCROLL, SB_THUMBPOSITION, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 77);
    Close(viewer);
}

TEST_F(ViewerScroll, ResizeKeepsThePositionWithinTheNewSpan)
{
    HWND viewer = LoadPicture(QuadrantPicture(300, 1000), 0);
    SendMessageW(viewer, WM_VSCROLL, SB_BOTTOM, 0);
    ASSERT_EQ(Bar(viewer, SB_VERT).nPos, 1000 - kHostHeight);
    MoveWindow(viewer, 0, 0, kHostWidth, 500, TRUE);
    ExpectBar(viewer, SB_VERT, 1000, 500, 500);
    MoveWindow(viewer, 0, 0, kHostWidth, 1200, TRUE);
    EXPECT_FALSE(Bar(viewer, SB_VERT).visible);
    Close(viewer);
}

TEST_F(ViewerScroll, FitModeHidesTheBarsOncePainted)
{
    HWND viewer = LoadPicture(QuadrantPicture(600, 500), 0);
    ASSERT_TRUE(Bar(viewer, SB_HORZ).visible);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    EXPECT_FALSE(Bar(viewer, SB_HORZ).visible);
    EXPECT_FALSE(Bar(viewer, SB_VERT).visible);
    // Back to natural size: both bars decided afresh. The fitted picture,
    // 360 x 300 from the top-left corner, showed its point (333, 250) at the
    // centre of the view; that point is at the centre again.
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);
    const RECT client = ClientRect(viewer);
    const int left = 600 * (kHostWidth / 2) / 360 - client.right / 2;
    const int top = 500 * (kHostHeight / 2) / 300 - client.bottom / 2;
    for (const int bar : {SB_HORZ, SB_VERT}) {
        const ScrollBarState state = Bar(viewer, bar);
        EXPECT_TRUE(state.visible) << bar;
        EXPECT_EQ(state.nMax, (bar == SB_HORZ ? 600 : 500) - 1) << bar;
        EXPECT_EQ(state.nPage, static_cast<UINT>(bar == SB_HORZ ? client.right : client.bottom)) << bar;
        EXPECT_NEAR(state.nPos, bar == SB_HORZ ? left : top, 1) << bar;
    }
    Close(viewer);
}

TEST_F(ViewerScroll, SmallerNextPictureBringsTheKeptPositionDown)
{
    HWND viewer = LoadPicture(QuadrantPicture(300, 1000), 0);
    SendMessageW(viewer, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(loadNextW(host, viewer, PictureDocument(QuadrantPicture(300, 400), L"next.SLDPRT").c_str(), 0), 0);
    ExpectBar(viewer, SB_VERT, 400, kHostHeight, 100);
    Close(viewer);
}

// The horizontal bar is hidden for the new picture, whose vertical bar then
// brings it back from inside the nested resize.
TEST_F(ViewerScroll, BarHiddenAndShownAgainInsideTheNestedResizeIsPaintedAsShown)
{
    HWND viewer = LoadPicture(MakeBlockPicture(1000, 100, 8), 0);
    ASSERT_TRUE(Bar(viewer, SB_HORZ).visible);
    ASSERT_FALSE(Bar(viewer, SB_VERT).visible);
    const IndexedPicture tall = MakeBlockPicture(kHostWidth, 1000, 8);
    ASSERT_EQ(loadNextW(host, viewer, PictureDocument(tall, L"tall.SLDPRT").c_str(), 0), 0);
    ExpectRightEdgeReachable(viewer, tall);
    Close(viewer);
}

// Wider by less than a bar's width and lower than the picture: the
// horizontal bar goes, the vertical one comes, and it brings the first back.
TEST_F(ViewerScroll, DiagonalResizeWithinTheBarsWidthKeepsPaintingAndBarsAgreed)
{
    const IndexedPicture picture = MakeBlockPicture(350, 250, 8);
    HWND viewer = LoadPicture(picture, 0);
    // Inside the host's client area throughout, so that it can be captured.
    MoveWindow(viewer, 0, 0, 300, 280, TRUE);
    ASSERT_TRUE(Bar(viewer, SB_HORZ).visible);
    ASSERT_FALSE(Bar(viewer, SB_VERT).visible);
    MoveWindow(viewer, 0, 0, picture.width + BarWidth() / 2, 240, TRUE);
    ExpectRightEdgeReachable(viewer, picture);
    Close(viewer);
}

namespace {

struct KeyStep {
    WPARAM key;
    UINT message;  // the scroll request it stands for
    WPARAM request;
};

// Navigation keys and the scroll-bar requests they stand for.
const KeyStep kKeyWalk[] = {
    {VK_DOWN, WM_VSCROLL, SB_LINEDOWN},   {VK_DOWN, WM_VSCROLL, SB_LINEDOWN},   {VK_NEXT, WM_VSCROLL, SB_PAGEDOWN},
    {VK_RIGHT, WM_HSCROLL, SB_LINERIGHT}, {VK_RIGHT, WM_HSCROLL, SB_LINERIGHT}, {VK_END, WM_VSCROLL, SB_BOTTOM},
    {VK_LEFT, WM_HSCROLL, SB_LINELEFT},   {VK_PRIOR, WM_VSCROLL, SB_PAGEUP},    {VK_HOME, WM_VSCROLL, SB_TOP},
    {VK_UP, WM_VSCROLL, SB_LINEUP},       {VK_NEXT, WM_VSCROLL, SB_PAGEDOWN},   {VK_NEXT, WM_VSCROLL, SB_PAGEDOWN},
    {VK_NEXT, WM_VSCROLL, SB_PAGEDOWN},   {VK_NEXT, WM_VSCROLL, SB_PAGEDOWN},   {VK_RIGHT, WM_HSCROLL, SB_LINERIGHT},
    {VK_UP, WM_VSCROLL, SB_LINEUP},
};

// The host subclasses the viewer for its own hotkeys and passes the rest on.
WNDPROC g_viewerProcedure = nullptr;
std::vector<WPARAM> g_hostKeys;
LRESULT CALLBACK HostSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN)
        g_hostKeys.push_back(wParam);
    return CallWindowProcW(g_viewerProcedure, window, message, wParam, lParam);
}

}  // namespace

// With the focus on a viewer that the host has subclassed, each key moves the
// picture exactly as its scroll request does, to the pixel; keys it does not
// use, or of an axis without a bar, change nothing.
TEST_F(ViewerScroll, NavigationKeysScrollAsTheirScrollRequests)
{
    const IndexedPicture picture = MakeBlockPicture(1000, 900, 12);
    HWND byKeys = LoadPicture(picture, 0);
    g_viewerProcedure =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(byKeys, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostSubclass)));
    SetFocus(byKeys);
    g_hostKeys.clear();
    HWND byRequests = LoadPicture(picture, 0, L"same.SLDPRT");
    ASSERT_TRUE(Bar(byRequests, SB_HORZ).visible && Bar(byRequests, SB_VERT).visible);
    int step = 0;
    for (const KeyStep& walk : kKeyWalk) {
        SendMessageW(byKeys, WM_KEYDOWN, walk.key, 1);
        SendMessageW(byRequests, walk.message, walk.request, 0);
        EXPECT_EQ(Bar(byKeys, SB_HORZ).nPos, Bar(byRequests, SB_HORZ).nPos) << "after step " << step;
        EXPECT_EQ(Bar(byKeys, SB_VERT).nPos, Bar(byRequests, SB_VERT).nPos) << "after step " << step;
        ++step;
    }
    EXPECT_GT(Bar(byKeys, SB_VERT).nPos, 0);
    EXPECT_EQ(g_hostKeys.size(), std::size(kKeyWalk));
    // The viewer on top is the later one; bring the keyed one up to compare.
    const Screenshot requested = Capture(byRequests);
    Close(byRequests);
    EXPECT_EQ(Capture(byKeys).pixels, requested.pixels);

    // Keys the viewer does not use change nothing; the subclassed viewer
    // still answers the host's commands.
    const ScrollBarState before = Bar(byKeys, SB_VERT);
    for (WPARAM other : {WPARAM{'N'}, WPARAM{'P'}, WPARAM{VK_SPACE}, WPARAM{VK_ESCAPE}})
        SendMessageW(byKeys, WM_KEYDOWN, other, 1);
    EXPECT_EQ(Bar(byKeys, SB_VERT).nPos, before.nPos);
    EXPECT_EQ(sendCommand(byKeys, kCommandCopy, 0), 0);
    SetWindowLongPtrW(byKeys, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_viewerProcedure));
    Close(byKeys);

    // An axis without a bar has nothing to scroll: its keys do nothing.
    HWND wide = LoadPicture(MakeBlockPicture(1000, 100, 12), 0, L"wide.SLDPRT");
    ASSERT_FALSE(Bar(wide, SB_VERT).visible);
    for (WPARAM key : {VK_DOWN, VK_NEXT, VK_END, VK_UP})
        SendMessageW(wide, WM_KEYDOWN, key, 1);
    EXPECT_FALSE(Bar(wide, SB_VERT).visible);
    EXPECT_EQ(Bar(wide, SB_VERT).nPos, 0);
    EXPECT_EQ(Bar(wide, SB_HORZ).nPos, 0);
    SendMessageW(wide, WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(Bar(wide, SB_HORZ).nPos, 30);
    Close(wide);
}
