#pragma once

// The message handlers of the viewer window, one file each concern.

#include "viewer/viewer_instance.h"

#include <windows.h>

void PaintViewer(HWND window, ViewerInstance* instance);
void UpdateScrollbars(HWND window, ViewerInstance* instance);
void ScrollViewer(HWND window, int bar, WPARAM request);
// Moves the picture by scroll position, when it moved repainting only what
// it uncovered.
void ScrollViewerTo(HWND window, const ViewerInstance& instance, int bar, int position);
// The wheel: vertical, with Shift horizontal, with Ctrl a zoom about the
// cursor. The tilt wheel: horizontal.
void ScrollViewerByWheel(HWND window, ViewerInstance* instance, WPARAM wParam, LPARAM lParam);
void ScrollViewerByTiltWheel(HWND window, const ViewerInstance* instance, WPARAM wParam);

// Zooms by that many steps of the ladder (in for positive) about a view
// point, which keeps the picture point under it where the bars allow. False
// when the scale stays as it is.
bool ZoomViewer(HWND window, ViewerInstance& instance, int steps, POINT anchor);
// + and - zoom about the centre of the view, 0 shows natural size; false
// for any other key, and for these when they change nothing: such a key
// belongs to the host.
bool ZoomViewerByKey(HWND window, ViewerInstance* instance, WPARAM key);

// What those keys do, for the keys and the context menu alike: false when
// it changes nothing. ZoomCommandCanAct says beforehand whether it would.
enum class ZoomCommand { In, Out, NaturalSize };
bool RunZoomCommand(HWND window, ViewerInstance& instance, ZoomCommand command);
bool ZoomCommandCanAct(HWND window, const ViewerInstance& instance, ZoomCommand command);

// Fits the picture to the view, ending a zoom, and turns the host's fit
// option on as leaving it by a zoom turns it off. False when the picture is
// fitted already or there is none.
bool FitViewerToWindow(HWND window, ViewerInstance& instance);

// The picture point at the centre of the view, taken before a change of
// scale that is not a zoom step (new options from the host) and brought back
// to the centre after it, where the bars allow.
struct CentreAnchor {
    bool taken;
    double pictureX;  // in picture pixels
    double pictureY;
};
CentreAnchor TakeCentreAnchor(HWND window, const ViewerInstance& instance);
void KeepCentreAnchor(HWND window, ViewerInstance& instance, const CentreAnchor& anchor);

// Dragging the picture with the left button when it is larger than the view.
void StartViewerDrag(HWND window, ViewerInstance* instance, LPARAM lParam);
void ContinueViewerDrag(HWND window, ViewerInstance* instance, LPARAM lParam);
void EndViewerDrag(HWND window, ViewerInstance* instance);
// The hand over a picture that can be moved; false to leave the cursor to
// the platform.
bool SetViewerCursor(HWND window, const ViewerInstance* instance, WPARAM wParam, LPARAM lParam);
// Scrolls for a navigation key as its scroll-bar request would; false for a
// key the viewer does not use, which then belongs to the host.
bool ScrollViewerByKey(HWND window, const ViewerInstance* instance, WPARAM key);
