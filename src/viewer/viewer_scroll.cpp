#include "viewer/paint_layout.h"
#include "viewer/scroll_plan.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_layout.h"
#include "viewer/zoom.h"

namespace {

constexpr int kWheelLineSteps = 3;

// Decides one bar. Showing or hiding it changes the client size, and the
// WM_SIZE that follows runs the whole decision again, nested, before the
// call returns: that nested run may show a bar this one has just hidden.
void DecideBar(HWND window, int bar, int clientSize, int pictureSize, bool fit)
{
    if (!ScrollBarNeeded(clientSize, pictureSize, fit)) {
        ShowScrollBar(window, bar, FALSE);
        return;
    }
    const ScrollBarPlan plan = PlanScrollBar(clientSize, pictureSize, fit, GetScrollPos(window, bar));
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = plan.nMin;
    info.nMax = plan.nMax;
    info.nPage = static_cast<UINT>(plan.nPage);
    info.nPos = plan.nPos;
    SetScrollInfo(window, bar, &info, TRUE);
    ShowScrollBar(window, bar, TRUE);
}

// One wheel message: the same few lines on either axis, nothing on an axis
// without a bar.
void ScrollByWheelSteps(HWND window, bool barShown, UINT message, WPARAM code)
{
    if (!barShown)
        return;
    for (int step = 0; step < kWheelLineSteps; ++step)
        SendMessageW(window, message, code, 0);
}

// What the window really shows once every nested decision has run, so that
// painting, ranges and the bars on screen agree.
void RecordShownBars(HWND window, ViewerInstance* instance)
{
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    instance->hScrollShown = (style & WS_HSCROLL) != 0 ? 1 : 0;
    instance->vScrollShown = (style & WS_VSCROLL) != 0 ? 1 : 0;
}

}  // namespace

void UpdateScrollbars(HWND window, ViewerInstance* instance)
{
    // In fit mode before the first paint there is nothing to go by yet.
    if (instance == nullptr || (instance->fit && instance->paintedWidth == 0 && instance->paintedHeight == 0))
        return;
    BITMAP picture = {};
    if (GetObjectW(instance->bitmap, sizeof picture, &picture) == 0) {
        // A sheet whose picture could not be had shows the background alone.
        ShowScrollBar(window, SB_BOTH, FALSE);
        RecordShownBars(window, instance);
        return;
    }
    // A zoomed picture has bars as at natural size, for its zoomed size.
    const double zoom = ZoomScale(*instance);
    const PixelSize shown =
        zoom > 0 ? ZoomedSize(picture.bmWidth, picture.bmHeight, zoom) : PixelSize{picture.bmWidth, picture.bmHeight};
    const bool fit = instance->fit != 0 && zoom == 0;
    RECT area = PictureAreaRect(window, *instance);
    DecideBar(window, SB_HORZ, area.right, shown.width, fit);
    // The horizontal bar may just have changed the client height.
    area = PictureAreaRect(window, *instance);
    DecideBar(window, SB_VERT, area.bottom, shown.height, fit);
    RecordShownBars(window, instance);
}

void ScrollViewer(HWND window, int bar, WPARAM request)
{
    int rangeMinimum = 0;
    int rangeMaximum = 0;
    GetScrollRange(window, bar, &rangeMinimum, &rangeMaximum);
    // A bar whose range ends at 1 has at most one pixel to move: the picture
    // would jitter rather than scroll, so the request is ignored.
    if (rangeMaximum == 1)
        return;
    const int oldPosition = GetScrollPos(window, bar);
    const ViewerInstance* instance = FindViewerInstance(window);
    if (instance == nullptr)
        return;
    const RECT area = PictureAreaRect(window, *instance);
    const int clientSize = bar == SB_HORZ ? area.right : area.bottom;

    const UINT code = LOWORD(request);
    int trackPosition = 0;
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) {
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
        GetScrollInfo(window, bar, &info);
        trackPosition = info.nTrackPos;
    }
    ScrollViewerTo(window, *instance, bar,
                   NextScrollPosition(code, oldPosition, clientSize, rangeMaximum, trackPosition));
}

void ScrollViewerTo(HWND window, const ViewerInstance& instance, int bar, int position)
{
    const int oldPosition = GetScrollPos(window, bar);
    // The platform holds the position within the bar's span.
    SetScrollPos(window, bar, position, TRUE);
    const int shift = oldPosition - GetScrollPos(window, bar);
    if (shift == 0)
        return;
    // Only the picture moves: the tabs below it stay where they are.
    RECT area = PictureAreaRect(window, instance);
    ScrollWindowEx(window, bar == SB_HORZ ? shift : 0, bar == SB_VERT ? shift : 0, &area, &area, nullptr, nullptr,
                   SW_INVALIDATE | SW_ERASE);
}

void ScrollViewerByWheel(HWND window, ViewerInstance* instance, WPARAM wParam, LPARAM lParam)
{
    if (instance == nullptr)
        return;
    const short delta = GET_WHEEL_DELTA_WPARAM(wParam);
    const WORD keys = GET_KEYSTATE_WPARAM(wParam);
    if ((keys & MK_CONTROL) != 0) {
        // About the point under the cursor; away from the user zooms in.
        POINT cursor = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(window, &cursor);
        ZoomViewer(window, *instance, TakeWheelNotches(&instance->wheelRemainder, delta), cursor);
        return;
    }
    // With Shift the wheel scrolls sideways: turned down, to the right.
    if ((keys & MK_SHIFT) != 0) {
        ScrollByWheelSteps(window, instance->hScrollShown != 0, WM_HSCROLL, delta > 0 ? SB_LINELEFT : SB_LINERIGHT);
        return;
    }
    ScrollByWheelSteps(window, instance->vScrollShown != 0, WM_VSCROLL, delta > 0 ? SB_LINEUP : SB_LINEDOWN);
}

void ScrollViewerByTiltWheel(HWND window, const ViewerInstance* instance, WPARAM wParam)
{
    if (instance == nullptr)
        return;
    // Tilted to the right, the view moves right.
    const short delta = GET_WHEEL_DELTA_WPARAM(wParam);
    ScrollByWheelSteps(window, instance->hScrollShown != 0, WM_HSCROLL, delta > 0 ? SB_LINERIGHT : SB_LINELEFT);
}

bool ScrollViewerByKey(HWND window, const ViewerInstance* instance, WPARAM key)
{
    // With Ctrl held a key is one of the host's shortcuts.
    if (instance == nullptr || GetKeyState(VK_CONTROL) < 0)
        return false;
    int bar = SB_VERT;
    WPARAM request = 0;
    switch (key) {
    case VK_LEFT:
        bar = SB_HORZ;
        request = SB_LINELEFT;
        break;
    case VK_RIGHT:
        bar = SB_HORZ;
        request = SB_LINERIGHT;
        break;
    case VK_UP:
        request = SB_LINEUP;
        break;
    case VK_DOWN:
        request = SB_LINEDOWN;
        break;
    case VK_PRIOR:
        request = SB_PAGEUP;
        break;
    case VK_NEXT:
        request = SB_PAGEDOWN;
        break;
    case VK_HOME:
        request = SB_TOP;
        break;
    case VK_END:
        request = SB_BOTTOM;
        break;
    default:
        return false;
    }
    // An axis without a bar has nothing to scroll.
    if (!(bar == SB_HORZ ? instance->hScrollShown : instance->vScrollShown))
        return false;
    ScrollViewer(window, bar, request);
    return true;
}
