#pragma once

// A drawing's sheets in the viewer: a row of tabs along the bottom of the
// client area, one per sheet, and the picture of the sheet chosen.

#include "viewer/viewer_instance.h"

#include <windows.h>

#include <cstdint>
#include <memory>

// Takes the sheet names read with the document's picture when they name two
// or more sheets, the saved one shown; forgets them otherwise.
void AdoptSheets(ViewerInstance& instance, std::unique_ptr<SheetList> sheets);

// Makes the tabs match the record's sheets: created with their names, the
// shown sheet selected, in the record's font and sizes for its DPI, or
// destroyed when there are none.
void ShowSheetTabs(HWND viewer, ViewerInstance& instance);

// Lays the tabs along the bottom of the client area, after a resize.
void PlaceSheetTabs(HWND viewer, const ViewerInstance& instance);

// Shows that sheet, scrolled to its top-left corner: the document's own
// picture for the saved one (read again when it was not kept aside), the
// sheet's picture read for any other. Nothing happens for the sheet shown
// or one out of range.
void ChooseSheet(HWND viewer, ViewerInstance& instance, std::uint32_t sheet);

// Reads the picture shown again over the background the record paints now,
// as a true-colour picture was laid over the one before: the sheet shown,
// never the saved one in its place, at the same zoom and place. The
// document's own picture kept aside is read again when its sheet is next
// chosen. False when no picture could be read (the one shown stays) or the
// viewer shows another one now, from a box of the read's.
bool ReadShownPictureAgain(HWND viewer, ViewerInstance& instance);

// Ctrl+Page Down and Ctrl+Page Up: the next and the previous sheet, never
// past either end. False for any other key, or without sheets.
bool ChooseSheetByKey(HWND viewer, ViewerInstance* instance, WPARAM key);

// A tab click, as the tab control reports it: the choice is posted, never
// acted on inside the control's own click, since reading a sheet may show a
// box in which the host destroys the tabs.
void OnSheetTabNotify(HWND viewer, ViewerInstance* instance, const NMHDR* notice);

// The posted choice of a tab (wParam the sheet, lParam the picture serial
// when it was made): shown when the viewer still holds that picture and the
// tab is still selected.
inline constexpr UINT kChooseSheetMessage = WM_APP + 0x66;
void OnChooseSheetMessage(HWND viewer, WPARAM sheet, LPARAM serial);
