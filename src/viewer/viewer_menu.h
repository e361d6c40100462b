#pragma once

// The viewer's context menu: a right-click in the picture area, Shift+F10 or
// the Menu key offer the viewer's commands with their keys, and a right-click
// in the information panel offers the panel's own. A choice is posted and
// acted on once the menu's loop has returned, so that whatever it leads to (a
// report box, the host closing the viewer) never runs inside the menu.

#include "viewer/viewer_instance.h"

#include <windows.h>

// WM_CONTEXTMENU from the viewer (in the picture area, or from the keyboard)
// or from the panel: runs the menu and posts the choice. False for any other
// source or a point outside the picture area, which the platform's default
// handling then gets.
bool OpenContextMenu(HWND viewer, ViewerInstance* instance, HWND source, LPARAM screenPoint);

// The Menu key: the panel's menu while the panel has the focus, the viewer's
// otherwise, both as from the keyboard. False for any other key.
bool OpenContextMenuByKey(HWND viewer, ViewerInstance* instance, WPARAM key);

// The panel's menu, posted by OpenContextMenu (wParam the picture serial,
// lParam the point on the screen): run when the viewer still shows that
// picture beside its panel.
inline constexpr UINT kPanelMenuMessage = WM_APP + 0x69;
void OnPanelMenuMessage(HWND viewer, WPARAM serial, LPARAM screenPoint);

// The posted choice of a menu (wParam the item, lParam the picture serial
// when the menu was opened): done as its key does it when the viewer still
// shows that picture.
inline constexpr UINT kMenuChoiceMessage = WM_APP + 0x67;
void OnMenuChoiceMessage(HWND viewer, WPARAM item, LPARAM serial);
