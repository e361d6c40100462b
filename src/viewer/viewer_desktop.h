#pragma once

// What a viewer takes from the desktop it is shown on and follows while it
// is open: the DPI of its window and the system's message font for it, which
// its own controls (the sheet tabs and the information panel) are laid out
// and written in. The picture is not scaled: natural size stays one picture
// pixel per screen pixel.

#include "viewer/viewer_instance.h"

#include <windows.h>

// The window's DPI and the message font for it, when the window is made.
void TakeDesktopMetrics(HWND viewer, ViewerInstance& instance);

// WM_DPICHANGED_AFTERPARENT, WM_SETTINGCHANGE: when the DPI or the message
// font changed, the controls take the new font and sizes and the viewer is
// laid out again, the picture point at the centre of the view kept there.
void FollowDesktopChange(HWND viewer, ViewerInstance* instance);
