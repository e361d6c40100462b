#pragma once

// The message handlers of the viewer window, one file each concern.

#include "viewer/viewer_instance.h"

#include <windows.h>

void PaintViewer(HWND window, ViewerInstance* instance);
void UpdateScrollbars(HWND window, ViewerInstance* instance);
void ScrollViewer(HWND window, int bar, WPARAM request);
void ScrollViewerByWheel(HWND window, const ViewerInstance* instance, WPARAM wParam);
// Scrolls for a navigation key as its scroll-bar request would; false for a
// key the viewer does not use, which then belongs to the host.
bool ScrollViewerByKey(HWND window, const ViewerInstance* instance, WPARAM key);
