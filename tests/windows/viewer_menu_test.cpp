// The viewer's context menu, opened by a right-click, Shift+F10 or the Menu
// key, driven from inside the platform's own menu loop: what it offers, where
// it opens, what each choice does and when.
#include "archive_builder.h"
#include "drawing_fixture.h"
#include "info_records.h"
#include "viewer_host.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// The platform's class of a shown menu.
constexpr wchar_t kMenuWindowClass[] = L"#32768";
// Ticks of the driving timer before a menu that stays open is ended.
constexpr int kMenuTickLimit = 200;
// A point of the virtual screen far from the host window.
constexpr int kParkedCursorX = 1200;
constexpr int kParkedCursorY = 1000;

struct SeenItem {
    std::wstring text;  // empty for a separator
    UINT state;         // MF_GRAYED, MF_CHECKED, MF_SEPARATOR as GetMenuState says
};

// A menu as it showed: its window on screen and its items.
struct SeenMenu {
    bool shown = false;
    RECT window = {};
    std::vector<SeenItem> items;

    const SeenItem* Find(const std::wstring& text) const
    {
        for (const SeenItem& item : items)
            if (item.text == text)
                return &item;
        return nullptr;
    }
};

HWND ShownMenuWindow()
{
    HWND menu = FindWindowW(kMenuWindowClass, nullptr);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

// What the test does inside the menu's loop once the menu shows: keys or
// clicks posted to the menu window, which the loop reads.
using MenuAction = std::function<void(HWND menuWindow, HMENU menu, const SeenMenu& seen)>;

// The one menu being driven; a thread timer's procedure has no context.
struct MenuDrive {
    SeenMenu seen;
    MenuAction action;
    int ticks = 0;
    bool acted = false;
};
MenuDrive* g_drive = nullptr;

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_drive == nullptr)
        return;
    ++g_drive->ticks;
    HWND window = ShownMenuWindow();
    if (window != nullptr && !g_drive->acted) {
        g_drive->acted = true;
        const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
        SeenMenu& seen = g_drive->seen;
        seen.shown = true;
        GetWindowRect(window, &seen.window);
        const int count = GetMenuItemCount(menu);
        for (int index = 0; index < count; ++index) {
            wchar_t text[600] = {};
            GetMenuStringW(menu, index, text, 600, MF_BYPOSITION);
            seen.items.push_back({text, GetMenuState(menu, index, MF_BYPOSITION)});
        }
        g_drive->action(window, menu, seen);
        return;
    }
    // A menu the action left open would hold the test for ever.
    if (g_drive->ticks > kMenuTickLimit)
        EndMenu();
}

// Runs open (which opens the menu, and returns once its loop has) with the
// action run inside the loop; what the menu showed.
SeenMenu DriveMenuThrough(const std::function<void()>& open, MenuAction action)
{
    MenuDrive drive;
    drive.action = std::move(action);
    g_drive = &drive;
    // The cursor away from where menus open: an item under it would be
    // selected before the keys move the selection.
    SetCursorPos(kParkedCursorX, kParkedCursorY);
    MSG moved;
    while (PeekMessageW(&moved, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &DriveMenu);
    open();
    KillTimer(nullptr, timer);
    g_drive = nullptr;
    EXPECT_FALSE(ShownMenuWindow() != nullptr) << "the menu has closed";
    return drive.seen;
}

int IndexOf(const SeenMenu& seen, const std::wstring& text)
{
    for (std::size_t index = 0; index < seen.items.size(); ++index)
        if (seen.items[index].text == text)
            return static_cast<int>(index);
    ADD_FAILURE() << "no item " << ToAnsi(text);
    return -1;
}

// A click on the item: the loop reads the point from the message, in screen
// coordinates.
MenuAction Click(const std::wstring& text)
{
    return [text](HWND window, HMENU menu, const SeenMenu& seen) {
        const int index = IndexOf(seen, text);
        RECT item = {};
        if (index < 0 || !GetMenuItemRect(nullptr, menu, index, &item)) {
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            return;
        }
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SetCursorPos((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(window, WM_MOUSEMOVE, 0, at);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(window, WM_LBUTTONUP, 0, at);
    };
}

// Keys pressed in the menu, one after the other.
MenuAction Press(std::vector<WPARAM> keys)
{
    return [keys](HWND window, HMENU, const SeenMenu&) {
        for (const WPARAM key : keys) {
            PostMessageW(window, WM_KEYDOWN, key, 0);
            PostMessageW(window, WM_KEYUP, key, 0xC0000001);
        }
    };
}

const MenuAction kDismiss = Press({VK_ESCAPE});

// The items a picture's menu shows, in order, with their keys.
const std::vector<std::wstring> kPictureItems = {
    L"Copy picture\tCtrl+C", L"", L"Zoom in\t+",    L"Zoom out\t\u2212", L"Natural size\t0",
    L"Fit to window",        L"", L"Information\tI"};

bool Greyed(const SeenMenu& seen, const std::wstring& text)
{
    const SeenItem* item = seen.Find(text);
    return item != nullptr && (item->state & MF_GRAYED) != 0;
}

bool Checked(const SeenMenu& seen, const std::wstring& text)
{
    const SeenItem* item = seen.Find(text);
    return item != nullptr && (item->state & MF_CHECKED) != 0;
}

std::wstring Texts(const SeenMenu& seen)
{
    std::wstring all;
    for (const SeenItem& item : seen.items)
        all += (item.text.empty() ? L"-" : item.text) + L" | ";
    return all;
}

class ViewerMenu : public ViewerTest {
protected:
    // 640 x 480 in a host of 400 x 300: bars at natural size, fits exactly.
    const IndexedPicture picture = QuadrantPicture(640, 480);

    // A right-click at a client point, as the platform turns it into the
    // request for a menu.
    SeenMenu RightClick(HWND viewer, POINT at, MenuAction action)
    {
        return DriveMenuThrough([&] { SendMessageW(viewer, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y)); },
                                std::move(action));
    }

    SeenMenu RightClickAndChoose(HWND viewer, const std::wstring& text)
    {
        SeenMenu seen = RightClick(viewer, {50, 60}, Click(text));
        DispatchPosted(viewer);
        return seen;
    }

    std::wstring InfoDocument()
    {
        InfoContent info = SavedBy(17000);
        info.custom = {{"Material", "lpwstr", "EN-GJS-400-15"}};
        const std::wstring path = folder.File(L"info.SLDPRT");
        WriteArchiveFile(path, ArchiveDocument(Rle8Block(picture), 0, {}, {}, InfoRecords(info)));
        return path;
    }

    static bool ChoicePending(HWND viewer)
    {
        MSG message;
        return PeekMessageW(&message, viewer, WM_APP, WM_APP + 0xFF, PM_NOREMOVE) != FALSE;
    }
};

}  // namespace

TEST_F(ViewerMenu, RightClickInThePictureOffersTheCommandsWithTheirKeysWhereClicked)
{
    HWND viewer = LoadPicture(picture, 0);
    ASSERT_NE(viewer, nullptr);
    const SeenMenu seen = RightClick(viewer, {50, 60}, kDismiss);
    ASSERT_TRUE(seen.shown);
    ASSERT_EQ(seen.items.size(), kPictureItems.size()) << ToAnsi(Texts(seen));
    for (std::size_t index = 0; index < kPictureItems.size(); ++index) {
        EXPECT_EQ(seen.items[index].text, kPictureItems[index]) << index;
        EXPECT_EQ((seen.items[index].state & MF_SEPARATOR) != 0, kPictureItems[index].empty()) << index;
    }
    POINT click = {50, 60};
    ClientToScreen(viewer, &click);
    EXPECT_EQ(seen.window.left, click.x);
    EXPECT_EQ(seen.window.top, click.y);
    // Natural size is shown already; everything else can act.
    EXPECT_TRUE(Greyed(seen, L"Natural size\t0"));
    for (const wchar_t* text : {L"Copy picture\tCtrl+C", L"Zoom in\t+", L"Zoom out\t\u2212", L"Fit to window"})
        EXPECT_FALSE(Greyed(seen, text)) << ToAnsi(text);
    EXPECT_FALSE(Checked(seen, L"Fit to window"));
    EXPECT_FALSE(Checked(seen, L"Information\tI"));
    EXPECT_FALSE(ChoicePending(viewer)) << "dismissed, nothing chosen";

    // Fitted by the host: fit is checked, natural size can act.
    ASSERT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    const SeenMenu fitted = RightClick(viewer, {10, 10}, kDismiss);
    EXPECT_TRUE(Checked(fitted, L"Fit to window"));
    EXPECT_FALSE(Greyed(fitted, L"Natural size\t0"));
    Close(viewer);
}

// Each choice is acted on once the menu's loop has returned, and does what
// its key does.
TEST_F(ViewerMenu, EachChoiceIsPostedAndDoesWhatItsKeyDoes)
{
    HWND viewer = LoadPicture(picture, 0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_EQ(Bar(viewer, SB_HORZ).nMax, 639);

    RightClick(viewer, {50, 60}, Click(L"Zoom in\t+"));
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 639) << "nothing done inside the menu";
    EXPECT_TRUE(ChoicePending(viewer));
    DispatchPosted(viewer);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 799) << "zoomed to 1.25";
    EXPECT_EQ(Bar(viewer, SB_VERT).nMax, 599);

    RightClickAndChoose(viewer, L"Zoom out\t\u2212");
    RightClickAndChoose(viewer, L"Zoom out\t\u2212");
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 511) << "zoomed to 0.8";
    RightClickAndChoose(viewer, L"Natural size\t0");
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 639) << "at natural size";

    // Fit to window tells the host its fit option is on.
    HostMessages(WM_COMMAND);
    RightClickAndChoose(viewer, L"Fit to window");
    EXPECT_FALSE(Bar(viewer, SB_HORZ).visible);
    EXPECT_FALSE(Bar(viewer, SB_VERT).visible);
    EXPECT_EQ(Capture(viewer).At(kHostWidth - 1, kHostHeight - 1), picture.ColourAt(639, 479));
    const std::vector<MSG> commands = HostMessages(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(1, kFitOptionCode));
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(viewer));
    // Zooming out of it turns the host's option off again, as the key does.
    RightClickAndChoose(viewer, L"Zoom out\t\u2212");
    const std::vector<MSG> left = HostMessages(WM_COMMAND);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].wParam, MAKEWPARAM(0, kFitOptionCode));

    // Copy picture: the host's copy.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    RightClickAndChoose(viewer, L"Copy picture\tCtrl+C");
    ASSERT_TRUE(OpenClipboard(nullptr));
    ExpectPixelsEqual(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), picture);
    CloseClipboard();

    // Information shows the panel, checked while shown, and hides it.
    RightClickAndChoose(viewer, L"Information\tI");
    EXPECT_NE(Panel(viewer), nullptr);
    const SeenMenu withPanel = RightClick(viewer, {50, 60}, Click(L"Information\tI"));
    EXPECT_TRUE(Checked(withPanel, L"Information\tI"));
    DispatchPosted(viewer);
    EXPECT_EQ(Panel(viewer), nullptr);
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);
}

// Shift+F10 and the Menu key open the menu at the centre of the picture
// area (left of the panel), where arrows and Enter choose; the Menu key is
// the viewer's, never passed on to the host.
TEST_F(ViewerMenu, KeyboardOpensTheMenuAtTheCentreOfThePictureArea)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    HWND viewer = Load(InfoDocument(), 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    RECT panelRect = {};
    GetWindowRect(panel, &panelRect);
    MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&panelRect), 2);
    const RECT client = ClientRect(viewer);
    POINT centre = {panelRect.left / 2, client.bottom / 2};
    ClientToScreen(viewer, &centre);

    FileManagerSubclass subclass(viewer);
    HostMessages(WM_KEYDOWN);
    SetFocus(viewer);
    LRESULT answer = 0;
    // Home to the first item, down over the separator to Zoom in, Enter.
    const SeenMenu byMenuKey = DriveMenuThrough([&] { answer = SendMessageW(viewer, WM_KEYDOWN, VK_APPS, 0); },
                                                Press({VK_HOME, VK_DOWN, VK_RETURN}));
    ASSERT_TRUE(byMenuKey.shown);
    EXPECT_EQ(answer, 1) << "the Menu key is the viewer's";
    EXPECT_TRUE(HostMessages(WM_KEYDOWN).empty());
    EXPECT_EQ(byMenuKey.window.left, centre.x);
    EXPECT_EQ(byMenuKey.window.top, centre.y);
    EXPECT_TRUE(Checked(byMenuKey, L"Information\tI"));
    DispatchPosted(viewer);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 799) << "Zoom in chosen by keys";

    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] |= 0x80;
    SetKeyboardState(keys);
    const SeenMenu byShiftF10 =
        DriveMenuThrough([&] { SendMessageW(viewer, WM_SYSKEYDOWN, VK_F10, 0); }, Press({VK_ESCAPE}));
    keys[VK_SHIFT] &= 0x7F;
    SetKeyboardState(keys);
    ASSERT_TRUE(byShiftF10.shown);
    EXPECT_EQ(byShiftF10.window.left, centre.x);
    EXPECT_EQ(byShiftF10.window.top, centre.y);
    EXPECT_EQ(byShiftF10.items.size(), kPictureItems.size());

    // In the panel, the Menu key opens the panel's own menu.
    SetFocus(panel);
    const SeenMenu panelMenu = DriveMenuThrough(
        [&] {
            SendMessageW(panel, WM_KEYDOWN, VK_APPS, 0);
            DispatchPosted(viewer);
        },
        kDismiss);
    ASSERT_TRUE(panelMenu.shown);
    ASSERT_EQ(panelMenu.items.size(), 2u) << ToAnsi(Texts(panelMenu));
    EXPECT_EQ(panelMenu.items[0].text, L"Copy\tCtrl+C");
    EXPECT_EQ(panelMenu.items[1].text, L"Select all");
    Close(viewer);
}

// The panel's menu: Select all, then Copy, which takes the rows as Ctrl+C
// in the panel does (the heading of the custom properties is none of them);
// Copy is greyed while no row is selected.
TEST_F(ViewerMenu, PanelMenuSelectsAndCopiesItsRows)
{
    WriteSettings("InfoPanel=1");
    HWND viewer = Load(InfoDocument(), 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    const int rows = static_cast<int>(SendMessageW(panel, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_EQ(rows, 7) << "five fixed rows, the heading and a custom property";
    RECT inPanel = {};
    GetWindowRect(panel, &inPanel);
    const LPARAM at = MAKELPARAM(inPanel.left + 20, inPanel.bottom - 20);

    // The list asks for its menu from inside its own click: the menu, where
    // the host may close the viewer, comes once the list has returned.
    const SeenMenu insideTheList = DriveMenuThrough(
        [&] { SendMessageW(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), at); }, Click(L"Select all"));
    EXPECT_FALSE(insideTheList.shown) << "a menu inside the list's own handling";
    const SeenMenu unselected = DriveMenuThrough([&] { DispatchPosted(viewer); }, Click(L"Select all"));
    ASSERT_TRUE(unselected.shown);
    EXPECT_TRUE(Greyed(unselected, L"Copy\tCtrl+C"));
    EXPECT_FALSE(Greyed(unselected, L"Select all"));
    EXPECT_EQ(unselected.window.left, inPanel.left + 20);
    DispatchPosted(viewer);
    EXPECT_EQ(SendMessageW(panel, LVM_GETSELECTEDCOUNT, 0, 0), rows - 1);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    const SeenMenu selected = DriveMenuThrough(
        [&] {
            SendMessageW(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), at);
            DispatchPosted(viewer);
        },
        Click(L"Copy\tCtrl+C"));
    EXPECT_FALSE(Greyed(selected, L"Copy\tCtrl+C"));
    DispatchPosted(viewer);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* copied = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    const std::wstring text = copied != nullptr ? copied : L"<nothing>";
    if (copied != nullptr)
        GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(text.find(L"Saved with\t2024\r\n"), 0u) << ToAnsi(text);
    EXPECT_NE(text.find(L"\r\nMaterial\tEN-GJS-400-15\r\n"), std::wstring::npos) << ToAnsi(text);
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), rows - 1) << ToAnsi(text);
    Close(viewer);
}

// A drawing's menu lists its sheets, the shown one checked. A broken sheet
// chosen there reports once the menu has closed, never inside it; without
// a picture, what cannot act is greyed.
TEST_F(ViewerMenu, SheetChosenFromTheMenuReportsOnlyAfterTheMenuHasClosed)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nDebug=1");
    DrawingContent content = ThreeSheetDrawing(QuadrantPicture(180, 140));
    content.sheetPictures[0].assign(3000, 0x89);  // no PNG
    const std::wstring path = folder.File(L"plan.SLDDRW");
    WriteDrawing(path, Container::Compound, content);
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    plugin.ClearBoxes();

    bool menuShownAtTheBox = true;
    plugin.RunInsideNextBox([&] { menuShownAtTheBox = ShownMenuWindow() != nullptr; });
    bool boxInsideTheMenu = true;
    const SeenMenu drawing = RightClick(viewer, {30, 30}, [&](HWND window, HMENU menu, const SeenMenu& seen) {
        Click(kSheetNames[0])(window, menu, seen);
        boxInsideTheMenu = !plugin.Boxes().empty();
    });
    ASSERT_TRUE(drawing.shown);
    ASSERT_EQ(drawing.items.size(), kPictureItems.size() + 1 + kSheetCount) << ToAnsi(Texts(drawing));
    EXPECT_TRUE((drawing.items[kPictureItems.size()].state & MF_SEPARATOR) != 0);
    for (std::uint32_t sheet = 0; sheet < kSheetCount; ++sheet) {
        EXPECT_EQ(drawing.items[kPictureItems.size() + 1 + sheet].text, kSheetNames[sheet]);
        EXPECT_EQ(Checked(drawing, kSheetNames[sheet]), sheet == kActiveSheet) << sheet;
    }
    EXPECT_FALSE(boxInsideTheMenu);
    EXPECT_TRUE(plugin.Boxes().empty()) << "the choice waits for the menu's loop to end";
    DispatchPosted(viewer);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_NE(plugin.Boxes()[0].text.find(L"ReadSheetPicture(Images/Sheet_0)"), std::wstring::npos)
        << ToAnsi(plugin.Boxes()[0].text);
    EXPECT_FALSE(menuShownAtTheBox);
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0), 0);

    // The broken sheet has no picture: nothing to copy, zoom or fit.
    const SeenMenu empty = RightClick(viewer, {30, 30}, Click(kSheetNames[2]));
    for (const wchar_t* text :
         {L"Copy picture\tCtrl+C", L"Zoom in\t+", L"Zoom out\t\u2212", L"Natural size\t0", L"Fit to window"})
        EXPECT_TRUE(Greyed(empty, text)) << ToAnsi(text);
    EXPECT_FALSE(Greyed(empty, L"Information\tI"));
    EXPECT_TRUE(Checked(empty, kSheetNames[0]));
    EXPECT_FALSE(Greyed(empty, kSheetNames[2]));
    DispatchPosted(viewer);
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Capture(viewer).At(0, 0), SheetPixelOver(2, 0, 0, kBackgroundPixel));
    EXPECT_EQ(plugin.Boxes().size(), 1u);

    // A report box that closes the viewer, from a choice made in the menu.
    plugin.ClearBoxes();
    plugin.RunInsideNextBox([&] { closeWindow(viewer); });
    RightClickAndChoose(viewer, kSheetNames[0]);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_FALSE(IsWindow(viewer)) << "closed from the box";
}
