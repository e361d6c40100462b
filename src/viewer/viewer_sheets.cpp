#include "viewer/viewer_sheets.h"

#include "base/bounded_string.h"
#include "base/dpi.h"
#include "base/win32_holders.h"
#include "preview/preview_reader.h"
#include "viewer/paint_layout.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_layout.h"
#include "viewer/zoom.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <utility>

namespace {

// The names are UTF-16, which is what the platform's wide strings are.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings are UTF-16");

// The tabs report clicks, never take the keyboard focus (which the host put
// on the viewer for its own keys) and sit below the sheets they name.
constexpr DWORD kTabStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM | TCS_FOCUSNEVER | TCS_SINGLELINE;
// The space around a tab's name at 100 %, as the control has it by default.
constexpr std::int32_t kTabPaddingX = 6;
constexpr std::int32_t kTabPaddingY = 3;

wchar_t* SheetName(SheetList& sheets, std::uint32_t sheet)
{
    return reinterpret_cast<wchar_t*>(sheets.text + sheets.nameStart[sheet]);
}

void DestroySheetTabs(ViewerInstance& instance)
{
    if (instance.sheetTabs != nullptr)
        DestroyWindow(instance.sheetTabs);
    instance.sheetTabs = nullptr;
    instance.tabStripHeight = 0;
}

bool FillTabs(HWND tabs, SheetList& sheets)
{
    for (std::uint32_t sheet = 0; sheet < sheets.count; ++sheet) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = SheetName(sheets, sheet);
        if (SendMessageW(tabs, TCM_INSERTITEMW, sheet, reinterpret_cast<LPARAM>(&item)) != static_cast<LRESULT>(sheet))
            return false;
    }
    return true;
}

// The height of the tab row: what the control adds to an empty page.
std::int32_t TabStripHeight(HWND tabs)
{
    RECT strip = {0, 0, 100, 0};
    SendMessageW(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&strip));
    return strip.bottom - strip.top;
}

std::int32_t TabItemHeight(HWND tabs)
{
    RECT item = {};
    if (!SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.bottom - item.top;
}

// Lays a new row of tabs out in the font for the window's DPI. The control
// scales only its text: its padding (6 and 3 pixels at 100 %, its default)
// is given for the DPI, and the row is made at least as tall as the row in
// the 100 % font, scaled, so that its borders grow with the rest.
void SizeTabRow(HWND tabs, const ViewerInstance& instance)
{
    ScopedFont baseFont = MessageFontForDpi(kBaseDpi);
    SendMessageW(tabs, WM_SETFONT,
                 reinterpret_cast<WPARAM>(baseFont != nullptr ? baseFont.get() : ControlFont(instance)), FALSE);
    const std::int32_t baseRow = TabStripHeight(tabs);
    // The control lays its row out anew when it takes a font, with the
    // padding it has then.
    SendMessageW(tabs, TCM_SETPADDING, 0,
                 MAKELPARAM(ScaleToDpi(kTabPaddingX, instance.dpi), ScaleToDpi(kTabPaddingY, instance.dpi)));
    SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont(instance)), FALSE);
    const std::int32_t naturalRow = TabStripHeight(tabs);
    const std::int32_t wantedRow = ScaleToDpi(baseRow, instance.dpi);
    const std::int32_t item = TabItemHeight(tabs);
    if (wantedRow > naturalRow && item > 0)
        SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(0, item + wantedRow - naturalRow));
}

// Shows the bitmap the record now holds from its top-left corner, with the
// viewer's options and without a zoom.
void StartSheetView(HWND viewer, ViewerInstance& instance)
{
    instance.zoomStep = kNoZoom;
    SetScrollPos(viewer, SB_HORZ, 0, FALSE);
    SetScrollPos(viewer, SB_VERT, 0, FALSE);
    RelayoutViewer(viewer);
}

// The picture of a sheet: the document's own for the saved one (and for a
// document without sheets), else the sheet's PNG.
HBITMAP ReadSheetPicture(const wchar_t* path, const SheetList* sheets, std::uint32_t sheet, COLORREF background)
{
    if (sheets == nullptr || sheet == sheets->active)
        return LoadPreviewBitmap(path, &background);
    return LoadSheetBitmap(path, sheet, &background);
}

}  // namespace

void AdoptSheets(ViewerInstance& instance, std::unique_ptr<SheetList> sheets)
{
    ReleaseViewerSheets(instance);
    if (sheets == nullptr || sheets->count < 2)
        return;
    instance.shownSheet = sheets->active;
    instance.sheets = sheets.release();
}

void ShowSheetTabs(HWND viewer, ViewerInstance& instance)
{
    DestroySheetTabs(instance);
    if (instance.sheets == nullptr)
        return;
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    // As wide as the viewer from the start: the control lays out (and
    // measures) its tabs only in a width.
    RECT client = {};
    GetClientRect(viewer, &client);
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", kTabStyle, 0, 0, client.right, 0, viewer, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (tabs == nullptr)
        return;
    instance.sheetTabs = tabs;
    if (WantsDarkControls(instance))
        SetWindowTheme(tabs, kDarkControlTheme, nullptr);
    if (!FillTabs(tabs, *instance.sheets)) {
        DestroySheetTabs(instance);
        return;
    }
    SendMessageW(tabs, TCM_SETCURSEL, instance.shownSheet, 0);
    SizeTabRow(tabs, instance);
    instance.tabStripHeight = TabStripHeight(tabs);
    PlaceSheetTabs(viewer, instance);
}

void PlaceSheetTabs(HWND viewer, const ViewerInstance& instance)
{
    if (instance.sheetTabs == nullptr)
        return;
    RECT client = {};
    GetClientRect(viewer, &client);
    const PixelSize area = PictureAreaSize(client.right, client.bottom, instance.tabStripHeight);
    MoveWindow(instance.sheetTabs, 0, area.height, client.right, client.bottom - area.height, TRUE);
}

void ChooseSheet(HWND viewer, ViewerInstance& instance, std::uint32_t sheet)
{
    if (instance.sheets == nullptr || sheet >= instance.sheets->count || sheet == instance.shownSheet)
        return;
    EndViewerDrag(viewer, &instance);
    if (instance.sheetTabs != nullptr)
        SendMessageW(instance.sheetTabs, TCM_SETCURSEL, sheet, 0);
    // The document's own picture is kept aside while another sheet is
    // shown; one decoded sheet at most beside it: any other sheet shown goes
    // before the next one is read.
    if (instance.shownSheet == instance.sheets->active && instance.documentBitmap == nullptr) {
        instance.documentBitmap = instance.bitmap;
        instance.bitmap = nullptr;
    } else {
        ReleaseViewerBitmap(instance);
    }
    instance.shownSheet = sheet;
    if (sheet == instance.sheets->active && instance.documentBitmap != nullptr) {
        TakeViewerBitmap(instance, std::exchange(instance.documentBitmap, nullptr));
        StartSheetView(viewer, instance);
        return;
    }
    TakeViewerBitmap(instance, nullptr);
    StartSheetView(viewer, instance);

    // A report box runs a message loop in which the host may close this
    // viewer, load another document or another sheet be chosen: read into
    // locals, then find the record again and keep the picture only when
    // nothing else has been shown meanwhile.
    const std::uint32_t serial = instance.pictureSerial;
    wchar_t path[kWidePathCapacity];
    CopyBounded(path, instance.filePath, kWidePathCapacity);
    ScopedBitmap loaded(ReadSheetPicture(path, instance.sheets, sheet, instance.backColor));
    ViewerInstance* current = FindViewerInstance(viewer);
    if (current == nullptr || current->pictureSerial != serial || loaded == nullptr)
        return;
    TakeViewerBitmap(*current, static_cast<HBITMAP>(loaded.release()));
    StartSheetView(viewer, *current);
}

bool ReadShownPictureAgain(HWND viewer, ViewerInstance& instance)
{
    EndViewerDrag(viewer, &instance);
    // Laid over the old background too; it is no longer kept.
    if (instance.documentBitmap != nullptr) {
        DeleteObject(instance.documentBitmap);
        instance.documentBitmap = nullptr;
    }
    // A sheet whose picture could not be read shows the background alone:
    // nothing to lay over it again, and no second report.
    if (instance.bitmap == nullptr)
        return true;
    // As for a sheet chosen: read into locals, and keep the picture only when
    // the viewer still shows the one it replaces.
    const std::uint32_t serial = instance.pictureSerial;
    wchar_t path[kWidePathCapacity];
    CopyBounded(path, instance.filePath, kWidePathCapacity);
    ScopedBitmap loaded(ReadSheetPicture(path, instance.sheets, instance.shownSheet, instance.backColor));
    ViewerInstance* current = FindViewerInstance(viewer);
    if (current == nullptr || current->pictureSerial != serial || loaded == nullptr)
        return false;
    ReleaseViewerBitmap(*current);
    TakeViewerBitmap(*current, static_cast<HBITMAP>(loaded.release()));
    return true;
}

bool ChooseSheetByKey(HWND viewer, ViewerInstance* instance, WPARAM key)
{
    if (instance == nullptr || instance->sheets == nullptr || GetKeyState(VK_CONTROL) >= 0)
        return false;
    if (key == VK_NEXT) {
        if (instance->shownSheet + 1 < instance->sheets->count)
            ChooseSheet(viewer, *instance, instance->shownSheet + 1);
        return true;
    }
    if (key == VK_PRIOR) {
        if (instance->shownSheet > 0)
            ChooseSheet(viewer, *instance, instance->shownSheet - 1);
        return true;
    }
    return false;
}

void OnSheetTabNotify(HWND viewer, ViewerInstance* instance, const NMHDR* notice)
{
    if (instance == nullptr || notice == nullptr || notice->hwndFrom != instance->sheetTabs ||
        notice->code != static_cast<UINT>(TCN_SELCHANGE))
        return;
    const LRESULT selected = SendMessageW(instance->sheetTabs, TCM_GETCURSEL, 0, 0);
    if (selected >= 0)
        PostMessageW(viewer, kChooseSheetMessage, static_cast<WPARAM>(selected),
                     static_cast<LPARAM>(instance->pictureSerial));
}

void OnChooseSheetMessage(HWND viewer, WPARAM sheet, LPARAM serial)
{
    // Anything may have happened since the click: the viewer closed, another
    // document or sheet shown, another tab chosen.
    ViewerInstance* instance = FindViewerInstance(viewer);
    if (instance == nullptr || instance->sheetTabs == nullptr ||
        instance->pictureSerial != static_cast<std::uint32_t>(serial) ||
        SendMessageW(instance->sheetTabs, TCM_GETCURSEL, 0, 0) != static_cast<LRESULT>(sheet))
        return;
    ChooseSheet(viewer, *instance, static_cast<std::uint32_t>(sheet));
}
