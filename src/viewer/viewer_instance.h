#pragma once

#include "base/module_state.h"
#include "preview/sheet_names.h"

#include <windows.h>

#include <cstdint>

// The class of the viewer windows, which this module registers.
inline constexpr wchar_t kViewerClassName[] = L"Corvelle";

// The platform's dark theme, for the scroll bars and the sheet tabs of a
// viewer whose host wants dark native controls.
inline constexpr wchar_t kDarkControlTheme[] = L"DarkMode_Explorer";

// The host's copy, for the viewer's own menu: the clipboard is an output
// beside the viewer, so the export that opens a viewer hands it over. The
// host's status.
using CopyPictureFunction = int (*)(HWND owner, HBITMAP picture);

// The colours of the information panel's list.
struct InfoPanelColours {
    COLORREF background;
    COLORREF textBackground;
    COLORREF text;
};

// The record behind one viewer window. The window's user-data slot holds a
// pointer to it; it owns the picture and the background brush.
struct ViewerInstance {
    wchar_t filePath[kWidePathCapacity];
    HBITMAP bitmap;
    std::int32_t paintedWidth;  // size of the picture as last painted
    std::int32_t paintedHeight;
    std::uint32_t hScrollShown;  // what the last scroll-bar decision showed
    std::uint32_t vScrollShown;
    std::uint32_t center;
    std::uint32_t fit;
    std::uint32_t fitLargerOnly;
    HBRUSH backgroundBrush;
    COLORREF backColor;  // what the brush paints: one of the two below
    COLORREF lightBackColor;
    COLORREF darkBackColor;
    std::uint32_t dark;          // the host is dark
    std::uint32_t darkControls;  // and wants dark native controls
    // Changes with every picture the record takes, so that a picture can be
    // told from a later one that got the same handle.
    std::uint32_t pictureSerial;
    // A drawing of two or more sheets: their names (null for any other
    // document), the tabs that show them and how tall their row is, the
    // sheet shown, and, while a sheet other than the saved one is shown,
    // the document's own picture kept aside. bitmap is always what is shown.
    SheetList* sheets;
    HWND sheetTabs;
    std::int32_t tabStripHeight;
    std::uint32_t shownSheet;
    HBITMAP documentBitmap;
    // The information panel beside the picture, null while hidden; the
    // colours it was made with, put back when a dark host turns light or
    // high contrast ends, and whether it shows other ones; the widths the viewer gave its
    // columns last (others are the user's, kept until the next document).
    HWND infoPanel;
    InfoPanelColours infoPanelOwnColours;
    bool infoPanelRecoloured;
    std::int32_t infoColumnWidths[2];
    // The user's zoom: a step of the ladder, or kNoZoom for the host's
    // options; wheel deltas short of a notch; a drag in progress.
    std::int32_t zoomStep;
    std::int32_t wheelRemainder;
    bool dragging;
    POINT dragStart;
    std::int32_t dragStartHorizontal;
    std::int32_t dragStartVertical;
    // Copy picture in the viewer's menu.
    CopyPictureFunction copyPicture;
    // The DPI of the window, which the tabs and the panel are laid out for,
    // and the system's message font for it, which they show their text in
    // (null when none could be made: then the stock one).
    std::int32_t dpi;
    HFONT controlFont;
    // The system's high-contrast mode, whose colours win over BackColor and
    // the host's dark ones.
    bool highContrast;
};

// Deletes the background brush, the controls' font, then the picture and the
// sheets, whichever the record holds, and forgets them. Every path that ends a record's
// objects uses it.
void ReleaseViewerObjects(ViewerInstance& instance);

// Forgets a drawing's sheets: the names, and the document's picture kept
// aside while another sheet is shown.
void ReleaseViewerSheets(ViewerInstance& instance);

// Deletes the picture alone, for a reload.
void ReleaseViewerBitmap(ViewerInstance& instance);

// Gives the record a new picture (or none), with a new serial.
void TakeViewerBitmap(ViewerInstance& instance, HBITMAP bitmap);

// Replaces the view options from the host's ShowFlags (fit, fit larger
// only, centre) and its colours (dark, dark controls).
void ApplyShowFlags(ViewerInstance& instance, std::uint32_t showFlags);

// The font the tabs and the panel show their text in.
HFONT ControlFont(const ViewerInstance& instance);

// Whether ShowFlags differ from the record's options in the colours and
// nothing else: the host turned dark or light, and the view stays as the
// user left it. Every other set of options (the same again, too) starts
// from the host's view.
bool ChangesOnlyColours(const ViewerInstance& instance, std::uint32_t showFlags);

// Back to the host's fit or natural size, as a new document or new options
// from the host start.
void EndZoom(ViewerInstance& instance);

// The host's dark colours and dark controls, unless high contrast asks for
// the system's.
bool ShowsDarkColours(const ViewerInstance& instance);
bool WantsDarkControls(const ViewerInstance& instance);

// The background the record's options call for.
COLORREF WantedBackColor(const ViewerInstance& instance);

// The scale of a zoom, or 0 without one.
double ZoomScale(const ViewerInstance& instance);

// The instance of a viewer window, or null when the window is null, is not
// one of ours, or holds none.
ViewerInstance* FindViewerInstance(HWND window);
