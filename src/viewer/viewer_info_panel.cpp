#include "viewer/viewer_info_panel.h"

#include "base/dpi.h"
#include "info/document_info.h"
#include "viewer/paint_layout.h"
#include "viewer/viewer_layout.h"

#include <uxtheme.h>

#include <cwchar>
#include <memory>
#include <new>

namespace {

// Read-only: no label editing, whole rows selected, the selection kept in
// sight while the focus is elsewhere.
constexpr DWORD kPanelStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
constexpr int kPropertyColumn = 0;
constexpr int kValueColumn = 1;
// The property column's share of the panel, in percent.
constexpr int kPropertyColumnPercent = 40;
// The platform's dark theme for a list's column titles.
constexpr wchar_t kDarkHeaderTheme[] = L"DarkMode_ItemsView";
// Text on a dark host's background.
constexpr COLORREF kDarkPanelText = RGB(0xE0, 0xE0, 0xE0);
// A row as copied: label, tab, value, line end.
constexpr std::uint32_t kCopiedRowCharacters = 2 * kMaxInfoTextLength + 3;
// A date and a time in the user's format.
constexpr int kShownTimeCapacity = 96;
// The custom properties stand under a heading row of their own, so that one
// named like a fixed row ("Author", "Saved with") cannot pass for it. The
// platform's list groups would draw such a heading, but the list under Wine
// has none (LVM_ENABLEGROUPVIEW and LVM_INSERTGROUP do nothing there), so it
// is a row, told from the others by its item data, never selected nor
// copied. Every other row's item data is 0.
constexpr LPARAM kCustomHeading = 1;
constexpr wchar_t kCustomHeadingText[] = L"Custom properties";

void InsertColumn(HWND panel, int column, const wchar_t* title)
{
    LVCOLUMNW header = {};
    header.mask = LVCF_TEXT | LVCF_WIDTH;
    header.cx = 100;  // made the panel's share by SizeColumns
    header.pszText = const_cast<wchar_t*>(title);
    SendMessageW(panel, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
}

// Where the panel goes: the right edge of the client area, down to the
// tabs, as wide as the picture area leaves it.
RECT PanelRect(HWND viewer, const ViewerInstance& instance)
{
    RECT client = {};
    GetClientRect(viewer, &client);
    const PixelSize area = PictureAreaSize(client.right, client.bottom, instance.tabStripHeight,
                                           InfoPanelWidth(client.right, instance.dpi));
    return {area.width, 0, client.right, area.height};
}

bool SameColumnWidths(HWND panel, const std::int32_t (&widths)[2])
{
    return SendMessageW(panel, LVM_GETCOLUMNWIDTH, kPropertyColumn, 0) == widths[kPropertyColumn] &&
           SendMessageW(panel, LVM_GETCOLUMNWIDTH, kValueColumn, 0) == widths[kValueColumn];
}

// The property column takes its share, the value column the rest, less
// room for the list's own scroll bar (as wide as it is at the DPI) only when
// its rows need one: so a date in the user's form fits a panel 213 pixels
// wide (a viewer of 640). The widths are kept as the control holds them, to
// tell them from a user's.
void SizeColumns(ViewerInstance& instance, int width)
{
    HWND panel = instance.infoPanel;
    const bool scrolls = SendMessageW(panel, LVM_GETITEMCOUNT, 0, 0) > SendMessageW(panel, LVM_GETCOUNTPERPAGE, 0, 0);
    const int room = width - (scrolls ? SystemMetricForDpi(SM_CXVSCROLL, instance.dpi) : 0);
    const int property = room * kPropertyColumnPercent / 100;
    const int value = room - property;
    SendMessageW(panel, LVM_SETCOLUMNWIDTH, kPropertyColumn, property);
    SendMessageW(panel, LVM_SETCOLUMNWIDTH, kValueColumn, value > 0 ? value : 0);
    instance.infoColumnWidths[kPropertyColumn] =
        static_cast<std::int32_t>(SendMessageW(panel, LVM_GETCOLUMNWIDTH, kPropertyColumn, 0));
    instance.infoColumnWidths[kValueColumn] =
        static_cast<std::int32_t>(SendMessageW(panel, LVM_GETCOLUMNWIDTH, kValueColumn, 0));
}

int WindowWidth(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

InfoPanelColours ColoursOf(HWND panel)
{
    return {static_cast<COLORREF>(SendMessageW(panel, LVM_GETBKCOLOR, 0, 0)),
            static_cast<COLORREF>(SendMessageW(panel, LVM_GETTEXTBKCOLOR, 0, 0)),
            static_cast<COLORREF>(SendMessageW(panel, LVM_GETTEXTCOLOR, 0, 0))};
}

// Made at its place and size at once, so that it is laid out once.
HWND CreatePanel(HWND viewer, const ViewerInstance& instance, const RECT& place)
{
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND panel = CreateWindowExW(0, WC_LISTVIEWW, L"", kPanelStyle, place.left, place.top, place.right - place.left,
                                 place.bottom - place.top, viewer, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (panel == nullptr)
        return nullptr;
    SendMessageW(panel, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont(instance)), FALSE);
    SendMessageW(panel, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    InsertColumn(panel, kPropertyColumn, L"Property");
    InsertColumn(panel, kValueColumn, L"Value");
    return panel;
}

// A date in the user's local time and format; the stored text otherwise.
void ShownValue(const InfoValue& value, wchar_t* shown, int capacity)
{
    SYSTEMTIME utc = {};
    SYSTEMTIME local = {};
    if (!value.hasTime || !FileTimeToSystemTime(&value.time, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        std::wcsncpy(shown, value.text, static_cast<std::size_t>(capacity) - 1);
        shown[capacity - 1] = L'\0';
        return;
    }
    const int date = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, shown, capacity);
    if (date <= 0 || date >= capacity - 1) {
        std::wcsncpy(shown, value.text, static_cast<std::size_t>(capacity) - 1);
        shown[capacity - 1] = L'\0';
        return;
    }
    shown[date - 1] = L' ';
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, shown + date, capacity - date) <= 0)
        shown[date - 1] = L'\0';
}

// Appends a row with its item data; false when the list takes no more.
bool InsertRow(HWND panel, int row, const wchar_t* label, LPARAM data)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(label);
    item.lParam = data;
    return SendMessageW(panel, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) == row;
}

void SetRow(HWND panel, int row, const InfoRow& info)
{
    if (!InsertRow(panel, row, info.label, 0))
        return;
    wchar_t shown[kMaxInfoTextLength + 1 > kShownTimeCapacity ? kMaxInfoTextLength + 1 : kShownTimeCapacity];
    ShownValue(*info.value, shown, static_cast<int>(sizeof shown / sizeof shown[0]));
    LVITEMW item = {};
    item.iSubItem = kValueColumn;
    item.pszText = shown;
    SendMessageW(panel, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

LPARAM RowData(HWND panel, int row)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(panel, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.lParam;
}

// A colour of the list's, with the platform's default resolved.
COLORREF ResolvedColour(COLORREF colour, COLORREF fallback)
{
    return colour == CLR_DEFAULT || colour == CLR_NONE ? fallback : colour;
}

// The heading is drawn across the whole row, so that the property column's
// width never cuts it, in the list's own text colour over the background
// the list has painted.
LRESULT DrawHeading(HWND panel, std::int32_t dpi, const NMLVCUSTOMDRAW& draw)
{
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT || draw.nmcd.lItemlParam != kCustomHeading)
        return CDRF_DODEFAULT;
    const auto row = static_cast<WPARAM>(draw.nmcd.dwItemSpec);
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    RECT label = {};
    label.left = LVIR_LABEL;
    if (!SendMessageW(panel, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds)) ||
        !SendMessageW(panel, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label)))
        return CDRF_DODEFAULT;
    RECT text = bounds;
    text.left = label.left + SystemMetricForDpi(SM_CXEDGE, dpi);
    const COLORREF previousColour =
        SetTextColor(draw.nmcd.hdc, ResolvedColour(draw.clrText, GetSysColor(COLOR_WINDOWTEXT)));
    const int previousMode = SetBkMode(draw.nmcd.hdc, TRANSPARENT);
    DrawTextW(draw.nmcd.hdc, kCustomHeadingText, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetBkMode(draw.nmcd.hdc, previousMode);
    SetTextColor(draw.nmcd.hdc, previousColour);
    // The arrows may rest on it.
    if ((draw.nmcd.uItemState & CDIS_FOCUS) != 0 && GetFocus() == panel)
        DrawFocusRect(draw.nmcd.hdc, &bounds);
    return CDRF_SKIPDEFAULT;
}

// Whatever selects the heading (a click, an arrow, every row at once)
// leaves it unselected; the focus may rest on it, so that the arrows go on
// past it.
void KeepHeadingUnselected(HWND panel, const NMLISTVIEW& change)
{
    if ((change.uChanged & LVIF_STATE) == 0 || (change.uNewState & LVIS_SELECTED) == 0)
        return;
    LRESULT heading = change.iItem;
    if (heading < 0) {
        LVFINDINFOW find = {};
        find.flags = LVFI_PARAM;
        find.lParam = kCustomHeading;
        heading = SendMessageW(panel, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find));
    }
    if (heading < 0 || RowData(panel, static_cast<int>(heading)) != kCustomHeading)
        return;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    SendMessageW(panel, LVM_SETITEMSTATE, static_cast<WPARAM>(heading), reinterpret_cast<LPARAM>(&state));
}

// Appends one column's text of a row, tabs and line ends made spaces so
// that the copy stays one line a row.
std::uint32_t AppendCell(HWND panel, int row, int column, wchar_t* text)
{
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = kMaxInfoTextLength + 1;
    const auto length =
        static_cast<std::uint32_t>(SendMessageW(panel, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    for (std::uint32_t i = 0; i < length; ++i)
        if (text[i] == L'\t' || text[i] == L'\r' || text[i] == L'\n')
            text[i] = L' ';
    return length;
}

// The selected rows as lines of "property<TAB>value" on the clipboard;
// nothing selected, nothing copied.
void CopySelectedRows(HWND viewer, HWND panel)
{
    const auto selected = static_cast<std::uint32_t>(SendMessageW(panel, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected == 0)
        return;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (std::size_t{selected} * kCopiedRowCharacters + 1) * sizeof(wchar_t));
    if (memory == nullptr)
        return;
    auto* text = static_cast<wchar_t*>(GlobalLock(memory));
    if (text == nullptr) {
        GlobalFree(memory);
        return;
    }
    std::uint32_t length = 0;
    std::uint32_t rows = 0;
    for (LRESULT row = SendMessageW(panel, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         row >= 0 && rows < selected; row = SendMessageW(panel, LVM_GETNEXTITEM, row, LVNI_SELECTED), ++rows) {
        if (RowData(panel, static_cast<int>(row)) == kCustomHeading)
            continue;
        length += AppendCell(panel, static_cast<int>(row), kPropertyColumn, text + length);
        text[length++] = L'\t';
        length += AppendCell(panel, static_cast<int>(row), kValueColumn, text + length);
        text[length++] = L'\r';
        text[length++] = L'\n';
    }
    text[length] = L'\0';
    GlobalUnlock(memory);
    if (!OpenClipboard(viewer)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // Once set, the memory is the clipboard's.
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
        GlobalFree(memory);
    CloseClipboard();
}

// Keys the list moves or selects with; every other one, and the sheet
// keys (Page Down and Up with Ctrl), is the viewer's.
bool ListUsesKey(WORD key)
{
    if ((key == VK_NEXT || key == VK_PRIOR) && GetKeyState(VK_CONTROL) < 0)
        return false;
    switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
        return true;
    default:
        return false;
    }
}

}  // namespace

void ShowInfoPanel(HWND viewer, ViewerInstance& instance, bool shown)
{
    if (shown == (instance.infoPanel != nullptr))
        return;
    if (!shown) {
        // The focus goes back where the host put it.
        if (GetFocus() == instance.infoPanel)
            SetFocus(viewer);
        DestroyWindow(instance.infoPanel);
        instance.infoPanel = nullptr;
        RelayoutViewer(viewer);
        return;
    }
    const RECT place = PanelRect(viewer, instance);
    instance.infoPanel = CreatePanel(viewer, instance, place);
    if (instance.infoPanel == nullptr)
        return;
    instance.infoPanelOwnColours = ColoursOf(instance.infoPanel);
    instance.infoPanelRecoloured = false;
    ApplyInfoPanelTheme(instance, WantsDarkControls(instance));
    FillInfoPanel(instance);
    RelayoutViewer(viewer);
}

bool ToggleInfoPanelByKey(HWND viewer, ViewerInstance* instance, WPARAM key)
{
    if (instance == nullptr || key != 'I' || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    ShowInfoPanel(viewer, *instance, instance->infoPanel == nullptr);
    return true;
}

void FillInfoPanel(ViewerInstance& instance)
{
    HWND panel = instance.infoPanel;
    if (panel == nullptr)
        return;
    SendMessageW(panel, WM_SETREDRAW, FALSE, 0);
    SendMessageW(panel, LVM_DELETEALLITEMS, 0, 0);
    std::unique_ptr<DocumentInfo> info(new (std::nothrow) DocumentInfo);
    if (info != nullptr && ReadDocumentInfo(instance.filePath, *info)) {
        // The fixed rows come first, the custom properties last.
        const std::uint32_t count = InfoRowCount(*info);
        const std::uint32_t firstCustom = count - info->customCount;
        int shown = 0;
        for (std::uint32_t row = 0; row < count; ++row) {
            if (row == firstCustom && !InsertRow(panel, shown++, kCustomHeadingText, kCustomHeading))
                break;
            SetRow(panel, shown++, InfoRowAt(*info, row));
        }
    }
    // A new document's rows in the columns' own widths.
    SizeColumns(instance, WindowWidth(panel));
    SendMessageW(panel, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(panel, nullptr, TRUE);
}

void PlaceInfoPanel(HWND viewer, ViewerInstance& instance)
{
    if (instance.infoPanel == nullptr)
        return;
    const RECT place = PanelRect(viewer, instance);
    MoveWindow(instance.infoPanel, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
    // The viewer's widths follow the panel; a user's stay as they are.
    if (SameColumnWidths(instance.infoPanel, instance.infoColumnWidths))
        SizeColumns(instance, place.right - place.left);
}

void ApplyInfoPanelTheme(ViewerInstance& instance, bool themeChanged)
{
    HWND panel = instance.infoPanel;
    if (panel == nullptr)
        return;
    if (themeChanged) {
        SetWindowTheme(panel, WantsDarkControls(instance) ? kDarkControlTheme : nullptr, nullptr);
        // The column titles are a control of their own.
        HWND header = reinterpret_cast<HWND>(SendMessageW(panel, LVM_GETHEADER, 0, 0));
        if (header != nullptr)
            SetWindowTheme(header, WantsDarkControls(instance) ? kDarkHeaderTheme : nullptr, nullptr);
    }
    // A light host's panel keeps the colours the control was made with,
    // which follow the system's; they are only put back after others. High
    // contrast takes the system's colours as they are now, over a dark host's.
    const bool dark = ShowsDarkColours(instance);
    const bool ownColours = !dark && !instance.highContrast;
    if (ownColours && !instance.infoPanelRecoloured)
        return;
    InfoPanelColours colours = instance.infoPanelOwnColours;
    if (instance.highContrast)
        colours = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
    else if (dark)
        colours = {instance.backColor, instance.backColor, kDarkPanelText};
    SendMessageW(panel, LVM_SETBKCOLOR, 0, colours.background);
    SendMessageW(panel, LVM_SETTEXTBKCOLOR, 0, colours.textBackground);
    SendMessageW(panel, LVM_SETTEXTCOLOR, 0, colours.text);
    instance.infoPanelRecoloured = !ownColours;
    InvalidateRect(panel, nullptr, TRUE);
}

LRESULT OnInfoPanelNotify(HWND viewer, ViewerInstance* instance, const NMHDR* notice)
{
    if (instance == nullptr || notice == nullptr || notice->hwndFrom != instance->infoPanel)
        return 0;
    if (notice->code == static_cast<UINT>(NM_CUSTOMDRAW))
        return DrawHeading(instance->infoPanel, instance->dpi, *reinterpret_cast<const NMLVCUSTOMDRAW*>(notice));
    if (notice->code == static_cast<UINT>(LVN_ITEMCHANGED)) {
        KeepHeadingUnselected(instance->infoPanel, *reinterpret_cast<const NMLISTVIEW*>(notice));
        return 0;
    }
    if (notice->code != static_cast<UINT>(LVN_KEYDOWN))
        return 0;
    const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(notice)->wVKey;
    if (key == 'C' && GetKeyState(VK_CONTROL) < 0) {
        CopySelectedRows(viewer, instance->infoPanel);
        return 0;
    }
    if (!ListUsesKey(key))
        PostMessageW(viewer, WM_KEYDOWN, key, 0);
    return 0;
}

void CopyInfoPanelRows(HWND viewer, const ViewerInstance& instance)
{
    if (instance.infoPanel != nullptr)
        CopySelectedRows(viewer, instance.infoPanel);
}

void RefontInfoPanel(HWND viewer, ViewerInstance& instance)
{
    if (instance.infoPanel == nullptr)
        return;
    // The list hands the font on to its column titles.
    SendMessageW(instance.infoPanel, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont(instance)), TRUE);
    PlaceInfoPanel(viewer, instance);
}
