#include "base/host_contract.h"
#include "viewer/paint_layout.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_layout.h"
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
// under it on each axis that has a bar. False when that step is shown.
bool ZoomToStep(HWND window, ViewerInstance& instance, std::int32_t step, POINT anchor)
{
    BITMAP picture = {};
    if (step == instance.zoomStep || GetObjectW(instance.bitmap, sizeof picture, &picture) == 0)
        return false;
    EndViewerDrag(window, &instance);
    const PaintLayout before = CurrentLayout(window, instance, picture);
    // A view of no pixels draws nothing: its scale is 0, with no point under
    // the anchor, and the first pixel is kept there instead.
    const double oldScale = DrawnScale(before.drawWidth, picture.bmWidth);
    LeaveHostFit(window, instance);
    instance.zoomStep = step;
    UpdateScrollbars(window, &instance);
    const double newScale = kZoomLadder[step];
    if (instance.hScrollShown)
        SetScrollPos(window, SB_HORZ, AnchoredPosition(before.destX - before.srcX, anchor.x, oldScale, newScale), TRUE);
    if (instance.vScrollShown)
        SetScrollPos(window, SB_VERT, AnchoredPosition(before.destY - before.srcY, anchor.y, oldScale, newScale), TRUE);
    InvalidateRect(window, nullptr, FALSE);
    return true;
}

POINT ViewCentre(HWND window, const ViewerInstance& instance)
{
    const RECT area = PictureAreaRect(window, instance);
    return {area.right / 2, area.bottom / 2};
}

// Natural size without a zoom: the host's options draw the picture pixel for
// pixel.
bool ShowsNaturalSize(HWND window, const ViewerInstance& instance)
{
    BITMAP picture = {};
    if (instance.zoomStep != kNoZoom || GetObjectW(instance.bitmap, sizeof picture, &picture) == 0)
        return false;
    const PaintLayout shown = CurrentLayout(window, instance, picture);
    return shown.drawWidth == picture.bmWidth && shown.drawHeight == picture.bmHeight;
}

// The step that many steps (in for positive) lead to from the scale shown;
// kNoZoom without a picture.
std::int32_t NextZoomStep(HWND window, const ViewerInstance& instance, int steps)
{
    BITMAP picture = {};
    if (steps == 0 || GetObjectW(instance.bitmap, sizeof picture, &picture) == 0)
        return kNoZoom;
    // The first step starts from the size shown, fitted or natural, measured
    // on the picture's longer side, where a pixel is the finest part of it.
    const PaintLayout shown = CurrentLayout(window, instance, picture);
    const bool wide = picture.bmWidth >= picture.bmHeight;
    return ZoomStepAfter(instance.zoomStep, wide ? shown.drawWidth : shown.drawHeight,
                         wide ? picture.bmWidth : picture.bmHeight, steps);
}

}  // namespace

bool ZoomViewer(HWND window, ViewerInstance& instance, int steps, POINT anchor)
{
    const std::int32_t step = NextZoomStep(window, instance, steps);
    if (step == kNoZoom)
        return false;
    return ZoomToStep(window, instance, step, anchor);
}

CentreAnchor TakeCentreAnchor(HWND window, const ViewerInstance& instance)
{
    CentreAnchor anchor = {};
    BITMAP picture = {};
    if (GetObjectW(instance.bitmap, sizeof picture, &picture) == 0)
        return anchor;
    const PaintLayout shown = CurrentLayout(window, instance, picture);
    const POINT centre = ViewCentre(window, instance);
    anchor.taken = true;
    anchor.pictureX = PicturePointAt(shown.destX - shown.srcX, centre.x, DrawnScale(shown.drawWidth, picture.bmWidth));
    anchor.pictureY =
        PicturePointAt(shown.destY - shown.srcY, centre.y, DrawnScale(shown.drawHeight, picture.bmHeight));
    return anchor;
}

void KeepCentreAnchor(HWND window, ViewerInstance& instance, const CentreAnchor& anchor)
{
    BITMAP picture = {};
    if (!anchor.taken || GetObjectW(instance.bitmap, sizeof picture, &picture) == 0)
        return;
    // The centre of the view as it is now, with the bars the new scale needs.
    const PaintLayout shown = CurrentLayout(window, instance, picture);
    const POINT centre = ViewCentre(window, instance);
    // The platform holds each position within its bar's range.
    if (instance.hScrollShown)
        SetScrollPos(window, SB_HORZ,
                     PositionShowing(anchor.pictureX, centre.x, DrawnScale(shown.drawWidth, picture.bmWidth)), TRUE);
    if (instance.vScrollShown)
        SetScrollPos(window, SB_VERT,
                     PositionShowing(anchor.pictureY, centre.y, DrawnScale(shown.drawHeight, picture.bmHeight)), TRUE);
    InvalidateRect(window, nullptr, FALSE);
}

bool RunZoomCommand(HWND window, ViewerInstance& instance, ZoomCommand command)
{
    switch (command) {
    case ZoomCommand::In:
        return ZoomViewer(window, instance, 1, ViewCentre(window, instance));
    case ZoomCommand::Out:
        return ZoomViewer(window, instance, -1, ViewCentre(window, instance));
    case ZoomCommand::NaturalSize:
        return !ShowsNaturalSize(window, instance) &&
               ZoomToStep(window, instance, kNaturalZoomStep, ViewCentre(window, instance));
    }
    return false;
}

bool ZoomCommandCanAct(HWND window, const ViewerInstance& instance, ZoomCommand command)
{
    if (command == ZoomCommand::NaturalSize)
        return instance.bitmap != nullptr && instance.zoomStep != kNaturalZoomStep &&
               !ShowsNaturalSize(window, instance);
    const std::int32_t step = NextZoomStep(window, instance, command == ZoomCommand::In ? 1 : -1);
    return step != kNoZoom && step != instance.zoomStep;
}

bool ZoomViewerByKey(HWND window, ViewerInstance* instance, WPARAM key)
{
    // With Ctrl held a key is one of the host's shortcuts.
    if (instance == nullptr || GetKeyState(VK_CONTROL) < 0)
        return false;
    // A key that changes nothing (no picture, an end of the ladder, natural
    // size shown already) is the host's, as any key the viewer does not use.
    switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS:
        return RunZoomCommand(window, *instance, ZoomCommand::In);
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        return RunZoomCommand(window, *instance, ZoomCommand::Out);
    case '0':
    case VK_NUMPAD0:
        return RunZoomCommand(window, *instance, ZoomCommand::NaturalSize);
    default:
        return false;
    }
}

bool FitViewerToWindow(HWND window, ViewerInstance& instance)
{
    if (instance.bitmap == nullptr || (instance.fit && instance.zoomStep == kNoZoom))
        return false;
    EndViewerDrag(window, &instance);
    instance.fit = 1;
    EndZoom(instance);
    // The host's own fit option follows, as when a zoom leaves its fit.
    PostMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(1, kFitOptionCode), reinterpret_cast<LPARAM>(window));
    return RelayoutViewer(window);
}
