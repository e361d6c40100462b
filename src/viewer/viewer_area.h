#pragma once

// Where a viewer window shows its picture, for painting, the scroll bars and
// zoom: the geometry's picture area of the window's client area as it is now.

#include "viewer/viewer_instance.h"

#include <windows.h>

RECT PictureAreaRect(HWND viewer, const ViewerInstance& instance);
