#pragma once

// The message handlers of the viewer window, one file each concern.

#include "viewer/viewer_instance.h"

#include <windows.h>

void PaintViewer(HWND window, ViewerInstance* instance);
void UpdateScrollbars(HWND window, ViewerInstance* instance);
void ScrollViewer(HWND window, int bar, WPARAM request);
void ScrollViewerByWheel(HWND window, const ViewerInstance* instance, WPARAM wParam);
