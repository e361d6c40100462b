#include "viewer/viewer_menu.h"

#include "base/win32_holders.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_info_panel.h"
#include "viewer/viewer_layout.h"
#include "viewer/viewer_sheets.h"
#include "viewer/zoom.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdint>

namespace {

// The items' identifiers; a drawing's sheets follow from kFirstSheetItem on.
enum MenuItem : UINT {
    kCopyPictureItem = 1,
    kZoomInItem,
    kZoomOutItem,
    kNaturalSizeItem,
    kFitToWindowItem,
    kInformationItem,
    kCopyRowsItem,
    kSelectAllRowsItem,
    kFirstSheetItem = 0x100,
};
static_assert(kFirstSheetItem + kMaxSheets <= 0xFFFF, "menu identifiers are 16 bits");

// A sheet's name in the menu: every '&' doubled, which the menu would take
// for the mark of a shortcut letter.
constexpr std::uint32_t kSheetLabelCapacity = 2 * kMaxSheetNameLength + 1;

void AppendItem(HMENU menu, UINT item, const wchar_t* text, bool enabled, bool checked = false)
{
    AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED) | (checked ? MF_CHECKED : MF_UNCHECKED), item,
                text);
}

void AppendSheets(HMENU menu, const ViewerInstance& instance)
{
    const SheetList* sheets = instance.sheets;
    if (sheets == nullptr || sheets->count == 0)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (std::uint32_t sheet = 0; sheet < sheets->count; ++sheet) {
        wchar_t label[kSheetLabelCapacity];
        std::uint32_t length = 0;
        const char16_t* name = sheets->text + sheets->nameStart[sheet];
        for (std::uint32_t i = 0; i < sheets->nameLength[sheet] && length + 2 < kSheetLabelCapacity; ++i) {
            if (name[i] == u'&')
                label[length++] = L'&';
            label[length++] = static_cast<wchar_t>(name[i]);
        }
        label[length] = L'\0';
        AppendItem(menu, kFirstSheetItem + sheet, label, true);
    }
    CheckMenuRadioItem(menu, kFirstSheetItem, kFirstSheetItem + sheets->count - 1,
                       kFirstSheetItem + instance.shownSheet, MF_BYCOMMAND);
}

// The viewer's commands, each greyed when it cannot act now.
ScopedMenu ViewerMenu(HWND viewer, const ViewerInstance& instance)
{
    ScopedMenu menu(CreatePopupMenu());
    if (menu == nullptr)
        return menu;
    const bool picture = instance.bitmap != nullptr;
    AppendItem(menu.get(), kCopyPictureItem, L"Copy picture\tCtrl+C", picture && instance.copyPicture != nullptr);
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendItem(menu.get(), kZoomInItem, L"Zoom in\t+", ZoomCommandCanAct(viewer, instance, ZoomCommand::In));
    AppendItem(menu.get(), kZoomOutItem, L"Zoom out\t\u2212", ZoomCommandCanAct(viewer, instance, ZoomCommand::Out));
    AppendItem(menu.get(), kNaturalSizeItem, L"Natural size\t0",
               ZoomCommandCanAct(viewer, instance, ZoomCommand::NaturalSize));
    AppendItem(menu.get(), kFitToWindowItem, L"Fit to window", picture,
               picture && instance.fit && instance.zoomStep == kNoZoom);
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendItem(menu.get(), kInformationItem, L"Information\tI", true, instance.infoPanel != nullptr);
    AppendSheets(menu.get(), instance);
    return menu;
}

// The panel's own: its rows, as Ctrl+C in it copies them.
ScopedMenu PanelMenu(HWND panel)
{
    ScopedMenu menu(CreatePopupMenu());
    if (menu == nullptr)
        return menu;
    const LRESULT rows = SendMessageW(panel, LVM_GETITEMCOUNT, 0, 0);
    const LRESULT selected = SendMessageW(panel, LVM_GETSELECTEDCOUNT, 0, 0);
    AppendItem(menu.get(), kCopyRowsItem, L"Copy\tCtrl+C", selected > 0);
    AppendItem(menu.get(), kSelectAllRowsItem, L"Select all", rows > 0);
    return menu;
}

// Where the keyboard opens the panel's menu: below the focused row while it
// is in sight, else the middle of the panel; in screen coordinates.
POINT PanelKeyboardPoint(HWND panel)
{
    RECT client = {};
    GetClientRect(panel, &client);
    POINT at = {client.right / 2, client.bottom / 2};
    const LRESULT focused = SendMessageW(panel, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    RECT row = {};
    row.left = LVIR_LABEL;
    if (focused >= 0 &&
        SendMessageW(panel, LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&row)) &&
        row.bottom > client.top && row.bottom < client.bottom)
        at = {row.left, row.bottom};
    ClientToScreen(panel, &at);
    return at;
}

// Runs the menu at a screen point and posts the choice. The record is not
// looked at once the menu shows: the host may close the viewer from the
// menu's loop.
void TrackAndPost(HWND viewer, HMENU menu, POINT at, std::uint32_t serial)
{
    if (menu == nullptr)
        return;
    const auto chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y,
                       0, viewer, nullptr));
    if (chosen != 0)
        PostMessageW(viewer, kMenuChoiceMessage, chosen, static_cast<LPARAM>(serial));
}

void SelectAllRows(HWND panel)
{
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(panel, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

}  // namespace

bool OpenContextMenu(HWND viewer, ViewerInstance* instance, HWND source, LPARAM screenPoint)
{
    if (instance == nullptr || source == nullptr)
        return false;
    // The platform's mark of a menu asked for from the keyboard.
    const bool byKeyboard = GET_X_LPARAM(screenPoint) == -1 && GET_Y_LPARAM(screenPoint) == -1;
    POINT at = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (source == instance->infoPanel) {
        if (byKeyboard)
            at = PanelKeyboardPoint(source);
        // The list asks from inside its own click or key: the menu, where
        // the host may close the viewer, runs once the list has returned.
        PostMessageW(viewer, kPanelMenuMessage, instance->pictureSerial, MAKELPARAM(at.x, at.y));
        return true;
    }
    if (source != viewer)
        return false;
    const RECT area = PictureAreaRect(viewer, *instance);
    if (byKeyboard) {
        at = {area.right / 2, area.bottom / 2};
        ClientToScreen(viewer, &at);
    } else {
        POINT inClient = at;
        ScreenToClient(viewer, &inClient);
        if (!PtInRect(&area, inClient))
            return false;
    }
    TrackAndPost(viewer, ViewerMenu(viewer, *instance).get(), at, instance->pictureSerial);
    return true;
}

bool OpenContextMenuByKey(HWND viewer, ViewerInstance* instance, WPARAM key)
{
    if (instance == nullptr || key != VK_APPS)
        return false;
    HWND source = instance->infoPanel != nullptr && GetFocus() == instance->infoPanel ? instance->infoPanel : viewer;
    OpenContextMenu(viewer, instance, source, MAKELPARAM(-1, -1));
    return true;
}

void OnPanelMenuMessage(HWND viewer, WPARAM serial, LPARAM screenPoint)
{
    ViewerInstance* instance = FindViewerInstance(viewer);
    if (instance == nullptr || instance->infoPanel == nullptr ||
        instance->pictureSerial != static_cast<std::uint32_t>(serial))
        return;
    const POINT at = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    TrackAndPost(viewer, PanelMenu(instance->infoPanel).get(), at, instance->pictureSerial);
}

void OnMenuChoiceMessage(HWND viewer, WPARAM item, LPARAM serial)
{
    // Anything may have happened since the choice: the viewer closed,
    // another document or sheet shown.
    ViewerInstance* instance = FindViewerInstance(viewer);
    if (instance == nullptr || instance->pictureSerial != static_cast<std::uint32_t>(serial))
        return;
    switch (item) {
    case kCopyPictureItem:
        if (instance->bitmap != nullptr && instance->copyPicture != nullptr)
            instance->copyPicture(viewer, instance->bitmap);
        return;
    case kZoomInItem:
        RunZoomCommand(viewer, *instance, ZoomCommand::In);
        return;
    case kZoomOutItem:
        RunZoomCommand(viewer, *instance, ZoomCommand::Out);
        return;
    case kNaturalSizeItem:
        RunZoomCommand(viewer, *instance, ZoomCommand::NaturalSize);
        return;
    case kFitToWindowItem:
        FitViewerToWindow(viewer, *instance);
        return;
    case kInformationItem:
        ShowInfoPanel(viewer, *instance, instance->infoPanel == nullptr);
        return;
    case kCopyRowsItem:
        CopyInfoPanelRows(viewer, *instance);
        return;
    case kSelectAllRowsItem:
        if (instance->infoPanel != nullptr)
            SelectAllRows(instance->infoPanel);
        return;
    default:
        if (item >= kFirstSheetItem && item < kFirstSheetItem + kMaxSheets)
            ChooseSheet(viewer, *instance, static_cast<std::uint32_t>(item - kFirstSheetItem));
        return;
    }
}
