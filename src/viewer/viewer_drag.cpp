#include "viewer/viewer_handlers.h"

namespace {

// A picture larger than the view, on either axis, can be moved.
bool PictureCanMove(const ViewerInstance& instance)
{
    return instance.hScrollShown || instance.vScrollShown;
}

POINT PointOf(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

void StartViewerDrag(HWND window, ViewerInstance* instance, LPARAM lParam)
{
    if (instance == nullptr || !PictureCanMove(*instance))
        return;
    // Captured, so that the drag goes on outside the window.
    SetCapture(window);
    instance->dragging = true;
    instance->dragStart = PointOf(lParam);
    instance->dragStartHorizontal = GetScrollPos(window, SB_HORZ);
    instance->dragStartVertical = GetScrollPos(window, SB_VERT);
}

void ContinueViewerDrag(HWND window, ViewerInstance* instance, LPARAM lParam)
{
    if (instance == nullptr || !instance->dragging)
        return;
    // The picture follows the mouse: the view moves the other way.
    const POINT at = PointOf(lParam);
    if (instance->hScrollShown)
        ScrollViewerTo(window, *instance, SB_HORZ, instance->dragStartHorizontal - (at.x - instance->dragStart.x));
    if (instance->vScrollShown)
        ScrollViewerTo(window, *instance, SB_VERT, instance->dragStartVertical - (at.y - instance->dragStart.y));
}

void EndViewerDrag(HWND window, ViewerInstance* instance)
{
    if (instance == nullptr || !instance->dragging)
        return;
    instance->dragging = false;
    // Releasing sends WM_CAPTURECHANGED, which finds the drag ended.
    if (GetCapture() == window)
        ReleaseCapture();
}

bool SetViewerCursor(HWND window, const ViewerInstance* instance, WPARAM wParam, LPARAM lParam)
{
    if (instance == nullptr || reinterpret_cast<HWND>(wParam) != window || LOWORD(lParam) != HTCLIENT ||
        !PictureCanMove(*instance))
        return false;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}
