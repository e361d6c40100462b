#pragma once

// What a viewer takes from the desktop it is shown on and follows while it
// is open: the DPI of its window and the system's message font for it, which
// its own controls (the sheet tabs and the information panel) are laid out
// and written in, and the system's high-contrast mode and colours. The
// picture is not scaled: natural size stays one picture pixel per screen
// pixel.

#include "viewer/viewer_instance.h"

#include <windows.h>

// The window's DPI and the message font for it, when the window is made.
void TakeDesktopMetrics(HWND viewer, ViewerInstance& instance);

// WM_DPICHANGED_AFTERPARENT, WM_SETTINGCHANGE: when the DPI or the message
// font changed, the controls take the new font and sizes and the viewer is
// laid out again, the picture point at the centre of the view kept there.
void FollowDesktopChange(HWND viewer, ViewerInstance* instance);

// WM_SETTINGCHANGE, WM_SYSCOLORCHANGE, WM_THEMECHANGED: high contrast turned
// on or off, or the system's colours changed under it. The background, the
// controls' theme and the panel's colours follow at once; a true-colour
// picture, laid over the old background, is read again once the message has
// returned (kReadPictureAgainMessage), since a read may show a report box.
void FollowDesktopColours(HWND viewer, ViewerInstance* instance);

// The posted read (lParam the picture serial when the colours changed): done
// when the viewer still shows that picture.
inline constexpr UINT kReadPictureAgainMessage = WM_APP + 0x68;
void OnReadPictureAgainMessage(HWND viewer, LPARAM serial);
