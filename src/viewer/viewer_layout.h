#pragma once

// Where the picture goes in a viewer window, and the request to lay it out
// again: what the window procedure, the handlers, the sheet tabs and the
// information panel all use, below each of them.

#include "viewer/viewer_instance.h"

#include <windows.h>

// The part of the client area above the tabs and left of the information
// panel, where the picture is shown.
RECT PictureAreaRect(HWND viewer, const ViewerInstance& instance);

// Sends UpdateScrollbarsMessage and has the whole client area repainted
// without erasing; true when the invalidation succeeded.
bool RelayoutViewer(HWND window);
