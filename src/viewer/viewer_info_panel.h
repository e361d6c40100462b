#pragma once

// The document's information beside its picture: a read-only list of
// properties and their values along the right edge of the picture area,
// hidden unless asked for, shown and hidden with the key I.

#include "viewer/viewer_instance.h"

#include <commctrl.h>
#include <windows.h>

// Shows the panel, filled with the rows of the record's document, or hides
// it; the picture area follows.
void ShowInfoPanel(HWND viewer, ViewerInstance& instance, bool shown);

// I, without Ctrl or Alt: shows or hides the panel. False for any other key.
bool ToggleInfoPanelByKey(HWND viewer, ViewerInstance* instance, WPARAM key);

// Reads the rows of the record's document into the panel, while it is
// shown (the next document's, after a reload).
void FillInfoPanel(ViewerInstance& instance);

// Lays the panel along the right edge of the picture area, after a resize;
// the columns follow it unless the user has sized them.
void PlaceInfoPanel(HWND viewer, ViewerInstance& instance);

// The one place that decides the panel's colours: a dark host's background
// and light text, or a light host's, the control's own; and the platform's
// dark theme when the host wants dark controls (only set when that
// changed).
void ApplyInfoPanelTheme(ViewerInstance& instance, bool themeChanged);

// The panel's notices: Ctrl+C copies the selected rows as text; every key
// the list has no use for is posted to the viewer, where the host's own
// keys are looked for; the heading of the custom properties is kept
// unselected and drawn across its row. The answer to the notice.
LRESULT OnInfoPanelNotify(HWND viewer, ViewerInstance* instance, const NMHDR* notice);

// The selected rows as lines of "property<TAB>value" on the clipboard, as
// Ctrl+C in the panel copies them; nothing selected, nothing copied.
void CopyInfoPanelRows(HWND viewer, const ViewerInstance& instance);

// Gives the panel the record's font and lays it out for the record's DPI,
// after a change of either.
void RefontInfoPanel(HWND viewer, ViewerInstance& instance);
