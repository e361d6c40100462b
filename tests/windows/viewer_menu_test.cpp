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
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::wstring kCopy = L"Copy picture\tCtrl+C", kZoomIn = L"Zoom in\t+", kZoomOut = L"Zoom out\t\u2212";
const std::wstring kNatural = L"Natural size\t0", kFit = L"Fit to window", kInfo = L"Information\tI";
const std::wstring kPanelCopy = L"Copy\tCtrl+C";
const std::vector<std::wstring> kPictureItems = {kCopy, L"-", kZoomIn, kZoomOut, kNatural, kFit, L"-", kInfo};
const std::vector<std::wstring> kDrawingItems = {kCopy, L"-",  kZoomIn, kZoomOut,       kNatural,       kFit,
                                                 L"-",  kInfo, L"-",    kSheetNames[0], kSheetNames[1], kSheetNames[2]};
const std::vector<std::wstring> kPanelItems = {kPanelCopy, L"Select all"};
constexpr bool kLeavePosted = true;  // RightClick leaves the choice posted, for the test to run
constexpr wchar_t kGreyed[] = L" (greyed)", kChecked[] = L" (checked)";

// A menu as it showed: its window's top left corner on screen, its items,
// and the whole menu in one comparable line ("-" for a separator).
struct SeenMenu {
    bool shown = false;
    std::pair<LONG, LONG> at;
    std::vector<std::wstring> texts;
    std::wstring line = L"(no menu shown)";
};

// The line of a menu of these items, some greyed, some checked.
std::wstring Menu(const std::vector<std::wstring>& items, const std::vector<std::wstring>& greyed = {},
                  const std::vector<std::wstring>& checked = {})
{
    std::wstring line;
    for (const std::wstring& item : items) {
        line += (line.empty() ? L"" : L" | ") + item;
        line += std::count(greyed.begin(), greyed.end(), item) != 0 ? kGreyed : L"";
        line += std::count(checked.begin(), checked.end(), item) != 0 ? kChecked : L"";
    }
    return line;
}

HWND ShownMenuWindow()
{
    HWND menu = FindWindowW(L"#32768", nullptr);  // the platform's class of a shown menu
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

// What the test does in the menu's loop once it shows: keys or clicks posted.
using MenuAction = std::function<void(HWND menuWindow, HMENU menu, const SeenMenu& seen)>;

// The one menu being driven; a thread timer's procedure has no context.
SeenMenu g_seen;
MenuAction g_action;
int g_ticks = 0;

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND window = ShownMenuWindow();
    if (window != nullptr && !g_seen.shown) {
        const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
        RECT rect = {};
        GetWindowRect(window, &rect);
        g_seen = {true, {rect.left, rect.top}, {}, L""};
        for (int index = 0; index < GetMenuItemCount(menu); ++index) {
            wchar_t text[600] = {};
            GetMenuStringW(menu, index, text, 600, MF_BYPOSITION);
            const UINT state = GetMenuState(menu, index, MF_BYPOSITION);
            g_seen.texts.push_back(text);
            g_seen.line += (index == 0 ? L"" : L" | ") + ((state & MF_SEPARATOR) != 0 ? L"-" : std::wstring(text));
            g_seen.line += (state & (MF_SEPARATOR | MF_GRAYED)) == MF_GRAYED ? kGreyed : L"";
            g_seen.line += (state & (MF_SEPARATOR | MF_CHECKED)) == MF_CHECKED ? kChecked : L"";
        }
        g_action(window, menu, g_seen);
    } else if (++g_ticks > 200)
        EndMenu();  // a menu the action left open would hold the test for ever
}

// Runs open (which opens the menu, and returns once its loop has), then the
// messages posted to dispatchTo, with the action run inside the menu's loop.
SeenMenu DriveMenuThrough(const std::function<void()>& open, MenuAction action, HWND dispatchTo = nullptr)
{
    g_seen = {};
    g_action = std::move(action);
    g_ticks = 0;
    // The cursor far from where menus open: an item under it would be
    // selected before the keys move the selection.
    SetCursorPos(1200, 1000);
    MSG moved;
    while (PeekMessageW(&moved, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &DriveMenu);
    open();
    if (dispatchTo != nullptr)
        DispatchPosted(dispatchTo);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(ShownMenuWindow() != nullptr) << "the menu has closed";
    return g_seen;
}

// A click on the item, at a point in screen coordinates as the loop reads it.
MenuAction Click(const std::wstring& text)
{
    return [text](HWND window, HMENU menu, const SeenMenu& seen) {
        const auto index =
            static_cast<UINT>(std::find(seen.texts.begin(), seen.texts.end(), text) - seen.texts.begin());
        RECT item = {};
        if (index >= seen.texts.size() || !GetMenuItemRect(nullptr, menu, index, &item)) {
            ADD_FAILURE() << "no item " << ToAnsi(text) << " in " << ToAnsi(seen.line);
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            return;
        }
        const POINT at = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        SetCursorPos(at.x, at.y);
        for (const UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
            PostMessageW(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
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

std::pair<LONG, LONG> OnScreen(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    return {client.x, client.y};
}

// A right-click at a client point, as the platform turns it into a menu's
// request; what was chosen is done at once, or left posted.
SeenMenu RightClick(HWND viewer, MenuAction action, POINT at = {50, 60}, bool leavePosted = false)
{
    return DriveMenuThrough([&] { SendMessageW(viewer, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y)); }, std::move(action),
                            leavePosted ? nullptr : viewer);
}

class ViewerMenu : public ViewerTest {
protected:
    // 640 x 480 in a host of 400 x 300: bars at natural size, fits exactly.
    const IndexedPicture picture = QuadrantPicture(640, 480);

    MSG peeked = {};

    bool ChoicePending(HWND viewer) { return PeekMessageW(&peeked, viewer, WM_APP, WM_APP + 0xFF, PM_NOREMOVE); }
    // A bar's last position, or -1 when it does not show.
    int Range(HWND viewer, int bar) { return Bar(viewer, bar).visible ? Bar(viewer, bar).nMax : -1; }
};

}  // namespace

// A right-click in the picture offers the commands with their keys where
// clicked. Each choice is acted on once the menu's loop has returned, and
// does what its key does: the zoom shows in the bars' ranges; the host
// hears of its fit option turned on by Fit to window, off by leaving it.
TEST_F(ViewerMenu, RightClickOffersTheCommandsAndEachChoiceIsPostedAndDoesWhatItsKeyDoes)
{
    HWND viewer = LoadPicture(picture, 0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_EQ(Bar(viewer, SB_HORZ).nMax, 639);
    const SeenMenu seen = RightClick(viewer, kDismiss, {50, 60}, kLeavePosted);
    EXPECT_EQ(seen.at, OnScreen(viewer, {50, 60}));
    EXPECT_EQ(seen.line, Menu(kPictureItems, {kNatural})) << "natural size shown already";
    EXPECT_FALSE(ChoicePending(viewer)) << "dismissed, nothing chosen";
    EmptyClipboardAsAnotherProgram();
    HostMessages(WM_COMMAND);
    // The bars' ranges once done (-1: no bar), the fit option told (-1: none).
    const struct {
        std::wstring item;
        int horizontal, vertical, fitTold;
    } choices[] = {{kZoomIn, 799, 599, -1},  {kZoomOut, 639, 479, -1}, {kZoomOut, 511, 383, -1},
                   {kNatural, 639, 479, -1}, {kFit, -1, -1, 1},        {kZoomOut, -1, -1, 0},
                   {kCopy, -1, -1, -1}};
    for (std::size_t index = 0; index < std::size(choices); ++index) {
        const auto& [item, horizontal, vertical, fitTold] = choices[index];
        const std::string what = ToAnsi(item) + ", choice " + std::to_string(index);
        const int before = Range(viewer, SB_HORZ);
        RightClick(viewer, Click(item), {50, 60}, kLeavePosted);
        EXPECT_EQ(Range(viewer, SB_HORZ), before) << what << ": nothing done inside the menu";
        EXPECT_TRUE(ChoicePending(viewer)) << what;
        DispatchPosted(viewer);
        EXPECT_EQ(Range(viewer, SB_HORZ), horizontal) << what;
        EXPECT_EQ(Range(viewer, SB_VERT), vertical) << what;
        if (item == kFit) {
            EXPECT_EQ(Capture(viewer).At(kHostWidth - 1, kHostHeight - 1), picture.ColourAt(639, 479));
        }
        const std::vector<MSG> told = HostMessages(WM_COMMAND);
        ASSERT_EQ(told.size(), fitTold < 0 ? 0u : 1u) << what;
        for (const MSG& command : told) {
            EXPECT_EQ(command.wParam, MAKEWPARAM(fitTold, kFitOptionCode)) << what;
            EXPECT_EQ(command.lParam, reinterpret_cast<LPARAM>(viewer)) << what;
        }
    }
    ExpectClipboardHolds(picture);  // Copy picture is the host's copy

    // Information shows the panel, checked while shown, and hides it.
    RightClick(viewer, Click(kInfo));
    EXPECT_NE(Panel(viewer), nullptr);
    EXPECT_NE(RightClick(viewer, Click(kInfo)).line.find(kInfo + kChecked), std::wstring::npos);
    EXPECT_EQ(Panel(viewer), nullptr);
    EXPECT_TRUE(plugin.Boxes().empty());
    // Fitted by the host from natural size: fit is checked, natural size can act.
    RightClick(viewer, Click(kNatural));
    ASSERT_EQ(Range(viewer, SB_HORZ), 639);
    ASSERT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    EXPECT_EQ(RightClick(viewer, kDismiss, {10, 10}).line, Menu(kPictureItems, {}, {kFit}));
    Close(viewer);
}

// Shift+F10 and the Menu key open the menu at the centre of the picture
// area (left of the panel), where arrows and Enter choose; the Menu key is
// the viewer's, never passed on to the host. In the panel it opens the
// panel's menu: Select all, then Copy, which takes the rows as Ctrl+C in the
// panel does (the custom properties' heading is none); Copy is greyed while
// no row is selected.
TEST_F(ViewerMenu, KeyboardOpensTheMenuAtTheCentreOfThePictureAreaAndThePanelsMenuCopiesItsRows)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    InfoContent info = SavedBy(17000);
    info.custom = {{"Material", "lpwstr", "EN-GJS-400-15"}};
    const std::wstring path = folder.File(L"info.SLDPRT");
    WriteArchiveFile(path, ArchiveDocument(Rle8Block(picture), 0, {}, {}, InfoRecords(info)));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    RECT inPanel = {};
    GetWindowRect(panel, &inPanel);
    MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&inPanel), 2);
    const auto centre = OnScreen(viewer, {inPanel.left / 2, ClientRect(viewer).bottom / 2});
    const auto clickInPanel = OnScreen(viewer, {inPanel.left + 20, inPanel.bottom - 20});

    FileManagerSubclass subclass(viewer);
    HostMessages(WM_KEYDOWN);
    SetFocus(viewer);
    LRESULT answer = 0;
    // Home to the first item, down over the separator to Zoom in, Enter.
    const SeenMenu byMenuKey = DriveMenuThrough([&] { answer = SendMessageW(viewer, WM_KEYDOWN, VK_APPS, 0); },
                                                Press({VK_HOME, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(answer, 1) << "the Menu key is the viewer's";
    EXPECT_TRUE(HostMessages(WM_KEYDOWN).empty());
    EXPECT_EQ(byMenuKey.at, centre);
    EXPECT_EQ(byMenuKey.line, Menu(kPictureItems, {kNatural}, {kInfo}));
    DispatchPosted(viewer);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 799) << "Zoom in chosen by keys";

    const SeenMenu byShiftF10 =
        DriveMenuThrough([&] { SendKeyHolding(viewer, VK_SHIFT, WM_SYSKEYDOWN, VK_F10); }, kDismiss);
    EXPECT_EQ(byShiftF10.at, centre);
    EXPECT_EQ(byShiftF10.line, Menu(kPictureItems, {}, {kInfo}));

    SetFocus(panel);
    EXPECT_EQ(DriveMenuThrough([&] { SendMessageW(panel, WM_KEYDOWN, VK_APPS, 0); }, kDismiss, viewer).line,
              Menu(kPanelItems, {kPanelCopy}));

    const int rows = static_cast<int>(SendMessageW(panel, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_EQ(rows, 7) << "five fixed rows, the heading and a custom property";
    const LPARAM at = MAKELPARAM(clickInPanel.first, clickInPanel.second);
    const auto askTheList = [&] { SendMessageW(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), at); };

    // The list asks for its menu from inside its own click: the menu, where
    // the host may close the viewer, comes once the list has returned.
    EXPECT_FALSE(DriveMenuThrough(askTheList, Click(L"Select all")).shown) << "a menu inside the list's handling";
    const SeenMenu unselected = DriveMenuThrough([] {}, Click(L"Select all"), viewer);
    EXPECT_EQ(unselected.line, Menu(kPanelItems, {kPanelCopy}));
    EXPECT_EQ(unselected.at.first, clickInPanel.first);
    DispatchPosted(viewer);
    EXPECT_EQ(SendMessageW(panel, LVM_GETSELECTEDCOUNT, 0, 0), rows - 1);

    EmptyClipboardAsAnotherProgram();
    EXPECT_EQ(DriveMenuThrough(askTheList, Click(kPanelCopy), viewer).line, Menu(kPanelItems));
    DispatchPosted(viewer);
    const std::wstring text = ClipboardText();
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
    const auto chooseSheet1 = [&](HWND window, HMENU menu, const SeenMenu& seen) {
        Click(kSheetNames[0])(window, menu, seen);
        boxInsideTheMenu = !plugin.Boxes().empty();
    };
    EXPECT_EQ(RightClick(viewer, chooseSheet1, {30, 30}, kLeavePosted).line,
              Menu(kDrawingItems, {kNatural}, {kSheetNames[kActiveSheet]}));
    EXPECT_FALSE(boxInsideTheMenu);
    EXPECT_TRUE(plugin.Boxes().empty()) << "the choice waits for the menu's loop to end";
    DispatchPosted(viewer);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_NE(plugin.Boxes()[0].text.find(L"ReadSheetPicture(Images/Sheet_0)"), std::wstring::npos)
        << ToAnsi(plugin.Boxes()[0].text);
    EXPECT_FALSE(menuShownAtTheBox);
    EXPECT_EQ(SendMessageW(FindWindowExW(viewer, nullptr, WC_TABCONTROLW, nullptr), TCM_GETCURSEL, 0, 0), 0);

    // The broken sheet has no picture: nothing to copy, zoom or fit.
    EXPECT_EQ(RightClick(viewer, Click(kSheetNames[2]), {30, 30}).line,
              Menu(kDrawingItems, {kCopy, kZoomIn, kZoomOut, kNatural, kFit}, {kSheetNames[0]}));
    EXPECT_EQ(SendMessageW(FindWindowExW(viewer, nullptr, WC_TABCONTROLW, nullptr), TCM_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Capture(viewer).At(0, 0), SheetPixelOver(2, 0, 0, kBackgroundPixel));
    EXPECT_EQ(plugin.Boxes().size(), 1u);

    // A report box that closes the viewer, from a choice made in the menu.
    plugin.ClearBoxes();
    plugin.RunInsideNextBox([&] { closeWindow(viewer); });
    RightClick(viewer, Click(kSheetNames[0]));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_FALSE(IsWindow(viewer)) << "closed from the box";
}
