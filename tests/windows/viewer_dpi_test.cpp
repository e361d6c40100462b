// The viewer's own controls on a real desktop: laid out and written for the
// DPI of the window (at 96, 144 and 192, each in a test process that starts
// at it), following a change of DPI or of the system's font while open, and
// the system's colours while high contrast is on.
#include "archive_builder.h"
#include "child_process.h"
#include "drawing_fixture.h"
#include "info_records.h"
#include "viewer_host.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// Set for a test process that is to run at that DPI.
constexpr wchar_t kDpiVariable[] = L"CORVELLE_TEST_DPI";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
constexpr std::uint32_t kDarkBackColorSetting = 0x00302010;
// The platform's dark theme for scroll bars and tabs.
constexpr wchar_t kDarkTheme[] = L"DarkMode_Explorer";

using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

int DpiAsked()
{
    wchar_t text[16] = {};
    if (GetEnvironmentVariableW(kDpiVariable, text, 16) == 0)
        return 0;
    return _wtoi(text);
}

// The system's message font for a DPI, as the platform gives it.
LOGFONTW MessageFontFor(UINT dpi)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    const auto forDpi = reinterpret_cast<SystemParametersInfoForDpiFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    if (forDpi == nullptr || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        ADD_FAILURE() << "no message font for " << dpi << " DPI";
    return metrics.lfMessageFont;
}

LOGFONTW FontOf(HWND control)
{
    LOGFONTW font = {};
    const auto shown = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (shown == nullptr || GetObjectW(shown, sizeof font, &font) == 0)
        ADD_FAILURE() << "no font in the control";
    return font;
}

void ExpectFont(HWND control, const LOGFONTW& wanted, const char* what)
{
    const LOGFONTW shown = FontOf(control);
    EXPECT_EQ(shown.lfHeight, wanted.lfHeight) << what;
    EXPECT_EQ(std::wstring(shown.lfFaceName), std::wstring(wanted.lfFaceName)) << what;
}

HWND Panel(HWND viewer)
{
    return FindWindowExW(viewer, nullptr, WC_LISTVIEWW, nullptr);
}

HWND Tabs(HWND viewer)
{
    return FindWindowExW(viewer, nullptr, WC_TABCONTROLW, nullptr);
}

RECT ChildRect(HWND viewer, HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

int ListRowHeight(HWND panel)
{
    RECT row = {};
    row.left = LVIR_BOUNDS;
    SendMessageW(panel, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    return Height(row);
}

// The panel's width in a client of that width: a third, within 200 and 400
// at 100 %, bounds that grow with the DPI.
int WantedPanelWidth(int clientWidth, int dpi)
{
    const int third = clientWidth / 3;
    const int least = MulDiv(200, dpi, 96);
    const int most = MulDiv(400, dpi, 96);
    return third < least ? least : third > most ? most : third;
}

// Real pixels, as the file manager has them: asked for before the test
// makes its first window.
struct DpiAwareProcess {
    DpiAwareProcess()
    {
        using SetContextFunction = BOOL(WINAPI*)(HANDLE);
        const auto setContext = reinterpret_cast<SetContextFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
        // Per monitor (v2, else v1); Wine's processes are aware already.
        if (setContext == nullptr || !(setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) ||
                                       setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)))))
            SetProcessDPIAware();
    }
};

class ViewerDesktop : private DpiAwareProcess, public ViewerTest {
protected:
    // A drawing with its information: tabs and a panel of seven rows.
    std::wstring InfoDrawing()
    {
        InfoContent info = SavedBy(17000);
        info.author = "M. Lindqvist";
        info.lastSavedBy = "A. Okafor";
        info.created = "2023-11-20T09:12:44Z";
        info.modified = "2024-05-17T13:30:02Z";
        info.custom = {{"Material", "lpwstr", "EN-GJS-400-15"}};
        const std::wstring path = folder.File(L"plan.SLDDRW");
        WriteArchiveFile(path, ArchiveDrawing(ThreeSheetDrawing(preview), InfoRecords(info)));
        return path;
    }

    // The panel's place and its values' room at a client width.
    void ExpectPanelAt(HWND viewer, int width, int dpi)
    {
        MoveWindow(viewer, 0, 0, width, ScaleToDpi(480, dpi), TRUE);
        HWND panel = Panel(viewer);
        const RECT placed = ChildRect(viewer, panel);
        EXPECT_NEAR(placed.right - placed.left, WantedPanelWidth(ClientRect(viewer).right, dpi), 1)
            << width << " wide at " << dpi;
        EXPECT_EQ(placed.right, ClientRect(viewer).right) << width;
        EXPECT_EQ(placed.bottom, ChildRect(viewer, Tabs(viewer)).top) << width;
        // The columns fill the list, but for its scroll bar at this DPI.
        RECT inside = {};
        GetClientRect(panel, &inside);
        const LRESULT property = SendMessageW(panel, LVM_GETCOLUMNWIDTH, 0, 0);
        const LRESULT value = SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0);
        EXPECT_NEAR(property + value, inside.right, 1) << width << " wide at " << dpi;
        // Every value uncut, by the list's own measure of what it needs.
        SendMessageW(panel, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
        const LRESULT needed = SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0);
        SendMessageW(panel, LVM_SETCOLUMNWIDTH, 1, value);
        EXPECT_LE(needed, value) << width << " wide at " << dpi << ": the values need " << needed;
    }

    static int ScaleToDpi(int length, int dpi) { return MulDiv(length, dpi, 96); }

    const IndexedPicture preview = QuadrantPicture(640, 480);
};

// The parts of a desktop at a DPI that the child process reports.
struct Measured {
    int tabRow = 0;
    int listRow = 0;
};

// Runs the test process again at a DPI: the prefix's LogPixels set for its
// start, and put back as it was once it has ended.
Measured RunAtDpi(int dpi)
{
    Measured measured;
    HKEY desktop = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &desktop, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "no desktop key";
        return measured;
    }
    DWORD before = 0;
    DWORD size = sizeof before;
    const bool hadValue = RegQueryValueExW(desktop, kLogPixels, nullptr, nullptr, reinterpret_cast<BYTE*>(&before),
                                           &size) == ERROR_SUCCESS;
    const DWORD wanted = static_cast<DWORD>(dpi);
    RegSetValueExW(desktop, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wanted), sizeof wanted);
    SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::string output;
    const ChildRun run = RunChild(program, L"\"" + std::wstring(program) + L"\" --gtest_filter=ViewerAtDpi.*", 60000,
                                  [&](const std::string& text) { output += text; });

    SetEnvironmentVariableW(kDpiVariable, nullptr);
    if (hadValue)
        RegSetValueExW(desktop, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before), sizeof before);
    else
        RegDeleteValueW(desktop, kLogPixels);
    RegCloseKey(desktop);

    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << "at " << dpi << " DPI:\n" << output;
    EXPECT_EQ(output.find("[  SKIPPED ]"), std::string::npos) << output;
    const std::size_t at = output.find("measured:");
    if (at == std::string::npos ||
        std::sscanf(output.c_str() + at, "measured: tab row %d, list row %d", &measured.tabRow, &measured.listRow) != 2)
        ADD_FAILURE() << "nothing measured at " << dpi << " DPI:\n" << output;
    std::printf("at %d DPI: tab row %d, list row %d\n", dpi, measured.tabRow, measured.listRow);
    return measured;
}

}  // namespace

class ViewerAtDpi : public ViewerDesktop {};

// In a process started at a DPI (by ViewerDpi.ControlsAreLaidOutForEachDpi):
// the panel's bounds and columns, the fonts of the panel and the tabs, and
// the picture at natural size, one picture pixel per screen pixel.
TEST_F(ViewerAtDpi, ControlsAreLaidOutForTheDpi)
{
    const int dpi = DpiAsked();
    if (dpi == 0)
        GTEST_SKIP() << "run by ViewerDpi.ControlsAreLaidOutForEachDpi in a process at each DPI";
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), dpi) << "the prefix's LogPixels";
    ReleaseDC(nullptr, screen);
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    HWND viewer = Load(InfoDrawing(), 0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(Panel(viewer), nullptr);
    ASSERT_NE(Tabs(viewer), nullptr);

    const LOGFONTW message = MessageFontFor(static_cast<UINT>(dpi));
    ExpectFont(Panel(viewer), message, "the panel");
    ExpectFont(Tabs(viewer), message, "the tabs");
    ExpectFont(reinterpret_cast<HWND>(SendMessageW(Panel(viewer), LVM_GETHEADER, 0, 0)), message, "the titles");
    // Where the panel takes a third, its least width and its most, in a
    // viewer as large on the screen as one of 640, 1005 and 1420 at 100 %.
    for (const int width : {640, 1005, 1420, 2840})
        ExpectPanelAt(viewer, ScaleToDpi(width, dpi), dpi);

    // Natural size: the picture's last column, and the background after it.
    MoveWindow(viewer, 0, 0, kHostWidth, kHostHeight, TRUE);
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    ASSERT_EQ(Panel(viewer), nullptr);
    SendMessageW(viewer, WM_HSCROLL, SB_RIGHT, 0);
    const Screenshot shot = Capture(viewer);
    const int lastColumn = Bar(viewer, SB_HORZ).nMax - Bar(viewer, SB_HORZ).nPos;
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 639) << "one picture pixel per screen pixel";
    EXPECT_EQ(shot.At(lastColumn, 0), preview.ColourAt(639, 0));
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    std::printf("measured: tab row %d, list row %d\n", Height(ChildRect(viewer, Tabs(viewer))),
                ListRowHeight(Panel(viewer)));
    Close(viewer);
}

// The tab row and the list's rows grow with the DPI: each row as tall as at
// 96 DPI times DPI/96, within a pixel, and the font the message font's.
TEST(ViewerDpi, ControlsAreLaidOutForEachDpi)
{
    const Measured base = RunAtDpi(96);
    ASSERT_GT(base.tabRow, 10);
    ASSERT_GT(base.listRow, 10);
    for (const int dpi : {144, 192}) {
        const Measured scaled = RunAtDpi(dpi);
        EXPECT_NEAR(scaled.tabRow, MulDiv(base.tabRow, dpi, 96), 1) << "the tab row at " << dpi;
        EXPECT_GE(scaled.listRow * 96, base.listRow * dpi - 96) << "the list's rows at " << dpi;
    }
}

namespace {

// The DPI the platform says the viewer's window has, from a test.
UINT g_windowDpi = 0;
UINT WINAPI ReportWindowDpi(HWND)
{
    return g_windowDpi;
}

FARPROC WINAPI LookUpWithWindowDpi(HMODULE module, LPCSTR name)
{
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "GetDpiForWindow")
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&ReportWindowDpi));
    return GetProcAddress(module, name);
}

struct Layout {
    int panelWidth;
    int tabRow;
    LONG fontHeight;
};

Layout LayoutOf(HWND viewer)
{
    const RECT panel = ChildRect(viewer, Panel(viewer));
    return {panel.right - panel.left, Height(ChildRect(viewer, Tabs(viewer))), FontOf(Panel(viewer)).lfHeight};
}

UINT SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

}  // namespace

// A host aware of each monitor's DPI moves the viewer to a screen of 200 %
// and back: the controls are laid out and written for each, and the picture
// keeps its zoom and its pixels.
TEST_F(ViewerDesktop, DpiChangeWhileOpenLaysTheControlsOutAgain)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    ImportPatch lookUp(plugin.Module(), "kernel32.dll", "GetProcAddress",
                       reinterpret_cast<const void*>(&LookUpWithWindowDpi));
    ASSERT_TRUE(lookUp.Applied());
    const UINT base = SystemDpi();
    g_windowDpi = base;
    HWND viewer = Load(InfoDrawing(), 0);
    ASSERT_NE(viewer, nullptr);
    MoveWindow(viewer, 0, 0, 960, 600, TRUE);
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    ASSERT_EQ(Bar(viewer, SB_HORZ).nMax, 799);
    const Layout before = LayoutOf(viewer);
    const int clientWidth = ClientRect(viewer).right;
    EXPECT_EQ(before.panelWidth, WantedPanelWidth(clientWidth, static_cast<int>(base)));

    const UINT doubled = 2 * base;
    g_windowDpi = doubled;
    SendMessageW(viewer, WM_DPICHANGED_AFTERPARENT, 0, 0);
    const Layout after = LayoutOf(viewer);
    EXPECT_EQ(after.panelWidth, WantedPanelWidth(ClientRect(viewer).right, static_cast<int>(doubled)));
    EXPECT_EQ(after.fontHeight, MessageFontFor(doubled).lfHeight);
    ExpectFont(Tabs(viewer), MessageFontFor(doubled), "the tabs");
    EXPECT_NEAR(after.tabRow, 2 * before.tabRow, 1);
    EXPECT_EQ(ChildRect(viewer, Panel(viewer)).bottom, ChildRect(viewer, Tabs(viewer)).top);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 799) << "the zoom stays, in screen pixels";
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPage, static_cast<UINT>(ClientRect(viewer).right - after.panelWidth))
        << "the picture area is what is left";
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0), static_cast<LRESULT>(kActiveSheet));

    g_windowDpi = base;
    SendMessageW(viewer, WM_DPICHANGED_AFTERPARENT, 0, 0);
    const Layout back = LayoutOf(viewer);
    EXPECT_EQ(back.panelWidth, before.panelWidth);
    EXPECT_EQ(back.tabRow, before.tabRow);
    EXPECT_EQ(back.fontHeight, before.fontHeight);
    Close(viewer);
}

// The user makes the system's font larger: a host that hands the
// broadcast on has the viewer written in it without reopening.
TEST_F(ViewerDesktop, SystemFontChangeWhileOpenRefontsTheControls)
{
    WriteSettings("InfoPanel=1");
    NONCLIENTMETRICSW original = {};
    original.cbSize = sizeof original;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof original, &original, 0));
    struct PutBack {
        NONCLIENTMETRICSW metrics;
        ~PutBack() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0); }
    } putBack{original};
    HWND viewer = Load(InfoDrawing(), 0);
    ASSERT_NE(viewer, nullptr);
    const Layout before = LayoutOf(viewer);
    EXPECT_EQ(before.fontHeight, original.lfMessageFont.lfHeight);

    NONCLIENTMETRICSW larger = original;
    larger.lfMessageFont.lfHeight = 2 * original.lfMessageFont.lfHeight;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof larger, &larger, 0));
    SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, reinterpret_cast<LPARAM>(L"WindowMetrics"));
    const Layout after = LayoutOf(viewer);
    EXPECT_EQ(after.fontHeight, larger.lfMessageFont.lfHeight);
    ExpectFont(Tabs(viewer), larger.lfMessageFont, "the tabs");
    EXPECT_GT(after.tabRow, before.tabRow);
    EXPECT_EQ(ChildRect(viewer, Panel(viewer)).bottom, ChildRect(viewer, Tabs(viewer)).top);

    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof original, &original, 0));
    SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, reinterpret_cast<LPARAM>(L"WindowMetrics"));
    const Layout back = LayoutOf(viewer);
    EXPECT_EQ(back.fontHeight, before.fontHeight);
    EXPECT_EQ(back.tabRow, before.tabRow);
    Close(viewer);
}

namespace {

// High contrast as the platform reports it to the plugin (Wine has no way to
// turn it on), and the themes the plugin gives its windows.
bool g_highContrast = false;
BOOL WINAPI ReportHighContrast(UINT action, UINT size, void* value, UINT flags)
{
    if (action != SPI_GETHIGHCONTRAST)
        return SystemParametersInfoW(action, size, value, flags);
    if (!SystemParametersInfoW(action, size, value, flags))
        return FALSE;
    auto* mode = static_cast<HIGHCONTRASTW*>(value);
    mode->dwFlags = g_highContrast ? mode->dwFlags | HCF_HIGHCONTRASTON : mode->dwFlags & ~HCF_HIGHCONTRASTON;
    return TRUE;
}

std::vector<std::pair<HWND, std::wstring>> g_themes;
HRESULT WINAPI RecordTheme(HWND window, LPCWSTR application, LPCWSTR classes)
{
    g_themes.push_back({window, application != nullptr ? application : L""});
    return SetWindowTheme(window, application, classes);
}

std::wstring LastTheme(HWND window)
{
    for (auto given = g_themes.rbegin(); given != g_themes.rend(); ++given)
        if (given->first == window)
            return given->second;
    return L"<none>";
}

// 0x00BBGGRR as the screen shows it, 0x00RRGGBB.
std::uint32_t Pixel(COLORREF colour)
{
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

}  // namespace

// High contrast turned on while a dark host's drawing is shown: the
// viewer's background (and the true-colour sheet laid over it, once read
// again), the panel and the tabs take the system's colours and lose the dark
// theme; turned off, the host's dark ones are back. The sheet shown stays.
TEST_F(ViewerDesktop, HighContrastWhileOpenTakesTheSystemsColours)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) +
                  "\r\nDarkBackColor=" + std::to_string(kDarkBackColorSetting) + "\r\nInfoPanel=1\r\nTrueColor=1");
    ImportPatch parameters(plugin.Module(), "user32.dll", "SystemParametersInfoW",
                           reinterpret_cast<const void*>(&ReportHighContrast));
    ImportPatch themes(plugin.Module(), "uxtheme.dll", "SetWindowTheme", reinterpret_cast<const void*>(&RecordTheme));
    ASSERT_TRUE(parameters.Applied() && themes.Applied());
    g_highContrast = false;
    g_themes.clear();
    HWND viewer = Load(InfoDrawing(), kShowFlagDarkHost | kShowFlagDarkControls);
    ASSERT_NE(viewer, nullptr);
    SendKeyWithCtrl(viewer, VK_PRIOR);  // sheet 0: a PNG whose last column is transparent
    HWND panel = Panel(viewer);
    const std::uint32_t dark = Pixel(kDarkBackColorSetting);
    const std::uint32_t window = Pixel(GetSysColor(COLOR_WINDOW));
    ASSERT_NE(window, dark);
    const int lastColumn = SheetPictureSize(0).cx - 1;
    const int belowSheet = SheetPictureSize(0).cy + 20;
    Screenshot shot = Capture(viewer);
    ASSERT_EQ(shot.At(lastColumn, 0), dark);
    EXPECT_EQ(LastTheme(Tabs(viewer)), kDarkTheme);

    g_highContrast = true;
    SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    SendMessageW(viewer, WM_SYSCOLORCHANGE, 0, 0);
    shot = Capture(viewer);
    EXPECT_EQ(shot.At(10, belowSheet), window) << "the background";
    EXPECT_EQ(SendMessageW(panel, LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(SendMessageW(panel, LVM_GETTEXTCOLOR, 0, 0), static_cast<LRESULT>(GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_EQ(LastTheme(Tabs(viewer)), L"") << "the tabs lose the dark theme";
    EXPECT_EQ(LastTheme(viewer), L"") << "so do the scroll bars";
    EXPECT_EQ(LastTheme(panel), L"");
    DispatchPosted(viewer);
    EXPECT_EQ(Capture(viewer).At(lastColumn, 0), window) << "the sheet laid over the system's colour";
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0), 0) << "the sheet shown stays";

    g_highContrast = false;
    SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    DispatchPosted(viewer);
    shot = Capture(viewer);
    EXPECT_EQ(shot.At(lastColumn, 0), dark);
    EXPECT_EQ(shot.At(10, belowSheet), dark);
    EXPECT_EQ(SendMessageW(panel, LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(kDarkBackColorSetting));
    EXPECT_EQ(LastTheme(Tabs(viewer)), kDarkTheme);
    EXPECT_EQ(LastTheme(viewer), kDarkTheme);
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);

    // A viewer opened while high contrast is on takes the system's colours.
    g_highContrast = true;
    viewer = LoadPicture(QuadrantPicture(120, 90), kShowFlagDarkHost | kShowFlagDarkControls);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(Capture(viewer).At(10, 100), window);
    EXPECT_EQ(SendMessageW(Panel(viewer), LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(LastTheme(viewer), L"<none>") << "never given the dark theme";
    Close(viewer);
}
