#include "base/host_contract.h"
#include "viewer/paint_layout.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_sheets.h"
#include "viewer/zoom.h"

namespace {

ViewOptions OptionsOf(const ViewerInstance& instance)
{
    return {instance.center != 0, instance.fit != 0, instance.fitLargerOnly != 0};
}

// The layout painting uses now, from the bars as they are.
PaintLayout CurrentLayout(HWND window, const ViewerInstance& instance, const BITMAP& picture)
{
    const RECT area = PictureAreaRect(window, instance);
    const int horizontal = instance.hScrollShown ? GetScrollPos(window, SB_HORZ) : 0;
    const int vertical = instance.vScrollShown ? GetScrollPos(window, SB_VERT) : 0;
    return ComputePaintLayout(area.right, area.bottom, picture.bmWidth, picture.bmHeight, OptionsOf(instance),
                              instance.hScrollShown != 0, instance.vScrollShown != 0, horizontal, vertical,
                              ZoomScale(instance));
}

// A zoom out of the fit the host asked for turns the host's fit option off,
// as its contract says, so that its own fit command works when next used.
void LeaveHostFit(HWND window, ViewerInstance& instance)
{
    if (!instance.fit)
        return;
    instance.fit = 0;
    PostMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(0, kFitOptionCode), reinterpret_cast<LPARAM>(window));
}

// Shows the picture at that step, the picture point under the anchor kept
// under it on each axis that has a bar.
void ZoomToStep(HWND window, ViewerInstance& instance, std::int32_t step, POINT anchor)
{
    BITMAP picture = {};
    if (GetObjectW(instance.bitmap, sizeof picture, &picture) == 0 || step == instance.zoomStep)
        return;
    const PaintLayout before = CurrentLayout(window, instance, picture);
    const double oldScale = static_cast<double>(before.drawWidth) / picture.bmWidth;
    LeaveHostFit(window, instance);
    instance.zoomStep = step;
    UpdateScrollbars(window, &instance);
    const double newScale = kZoomLadder[step];
    if (instance.hScrollShown)
        SetScrollPos(window, SB_HORZ, AnchoredPosition(before.destX - before.srcX, anchor.x, oldScale, newScale), TRUE);
    if (instance.vScrollShown)
        SetScrollPos(window, SB_VERT, AnchoredPosition(before.destY - before.srcY, anchor.y, oldScale, newScale), TRUE);
    InvalidateRect(window, nullptr, FALSE);
}

POINT ViewCentre(HWND window, const ViewerInstance& instance)
{
    const RECT area = PictureAreaRect(window, instance);
    return {area.right / 2, area.bottom / 2};
}

}  // namespace

void ZoomViewer(HWND window, ViewerInstance& instance, int steps, POINT anchor)
{
    BITMAP picture = {};
    if (steps == 0 || GetObjectW(instance.bitmap, sizeof picture, &picture) == 0)
        return;
    // The first step starts from the scale shown, fitted or natural.
    double scale = static_cast<double>(CurrentLayout(window, instance, picture).drawWidth) / picture.bmWidth;
    std::int32_t step = instance.zoomStep;
    for (int taken = 0; taken < (steps > 0 ? steps : -steps); ++taken) {
        const std::int32_t next = NextZoomStep(scale, steps);
        if (next == kNoZoom)
            break;
        step = next;
        scale = kZoomLadder[step];
    }
    ZoomToStep(window, instance, step, anchor);
}

bool ZoomViewerByKey(HWND window, ViewerInstance* instance, WPARAM key)
{
    // With Ctrl held a key is one of the host's shortcuts.
    if (instance == nullptr || GetKeyState(VK_CONTROL) < 0)
        return false;
    switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS:
        ZoomViewer(window, *instance, 1, ViewCentre(window, *instance));
        return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        ZoomViewer(window, *instance, -1, ViewCentre(window, *instance));
        return true;
    case '0':
    case VK_NUMPAD0:
        ZoomToStep(window, *instance, kNaturalZoomStep, ViewCentre(window, *instance));
        return true;
    default:
        return false;
    }
}
