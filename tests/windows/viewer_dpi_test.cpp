// The viewer's own controls on a real desktop: laid out and written for the
// DPI of the window (96, 144 and 192, each in a process started at it), after
// a change of DPI or font while open, and in high contrast's colours.
#include "archive_builder.h"
#include "child_process.h"
#include "drawing_fixture.h"
#include "info_records.h"
#include "viewer_host.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr wchar_t kDpiVariable[] = L"CORVELLE_TEST_DPI";  // set for a process to run at that DPI
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
constexpr std::uint32_t kDarkBackColorSetting = 0x00302010;
constexpr wchar_t kDarkTheme[] = L"DarkMode_Explorer";  // the platform's, for scroll bars and tabs

// The system's message font for a DPI, as the platform gives it.
LOGFONTW MessageFontFor(UINT dpi)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    EXPECT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        << "the message font at " << dpi << " DPI";
    return metrics.lfMessageFont;
}

// The panel's width in a client of that width: a third, within 200 and 400
// at 100 %, bounds that grow with the DPI.
int WantedPanelWidth(int clientWidth, int dpi)
{
    return std::clamp(clientWidth / 3, MulDiv(200, dpi, 96), MulDiv(400, dpi, 96));
}

// What a change may move, in screen pixels.
enum { kPanelWidth, kTabRow, kFontHeight };
using Layout = std::array<LONG, 3>;

// The panel, its titles and the tabs written in the font, and the panel
// ending on the tabs.
Layout WrittenIn(HWND viewer, const LOGFONTW& wanted, const std::string& when)
{
    HWND panel = Panel(viewer);
    const HWND controls[] = {panel, Tabs(viewer), reinterpret_cast<HWND>(SendMessageW(panel, LVM_GETHEADER, 0, 0))};
    const char* const names[] = {"the panel ", "the tabs ", "the titles "};
    LOGFONTW shown[3] = {};
    for (int control = 0; control < 3; ++control) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(controls[control], WM_GETFONT, 0, 0));
        EXPECT_NE(GetObjectW(font, sizeof shown[control], &shown[control]), 0) << names[control] << when;
        EXPECT_EQ(shown[control].lfHeight, wanted.lfHeight) << names[control] << when;
        EXPECT_EQ(std::wstring(shown[control].lfFaceName), std::wstring(wanted.lfFaceName)) << names[control] << when;
    }
    const RECT placed = ChildRect(viewer, panel);
    const RECT tabs = ChildRect(viewer, Tabs(viewer));
    EXPECT_EQ(placed.bottom, tabs.top) << "the panel ends on the tabs " << when;
    return {placed.right - placed.left, tabs.bottom - tabs.top, shown[0].lfHeight};
}

// The DPI the platform says the viewer's window has, from a test.
int g_windowDpi = 0;
FARPROC WINAPI LookUpWithWindowDpi(HMODULE module, LPCSTR name)
{
    const auto reportWindowDpi = +[](HWND) { return static_cast<UINT>(g_windowDpi); };
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "GetDpiForWindow")
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(reportWindowDpi));
    return GetProcAddress(module, name);
}

// High contrast as the platform reports it to the plugin (Wine has no way to
// turn it on), and the theme the plugin last gave each of its windows.
bool g_highContrast = false;
BOOL WINAPI ReportHighContrast(UINT action, UINT size, void* value, UINT flags)
{
    const BOOL answered = SystemParametersInfoW(action, size, value, flags);
    auto* mode = static_cast<HIGHCONTRASTW*>(value);
    if (answered && action == SPI_GETHIGHCONTRAST)
        mode->dwFlags = g_highContrast ? mode->dwFlags | HCF_HIGHCONTRASTON : mode->dwFlags & ~HCF_HIGHCONTRASTON;
    return answered;
}

std::map<HWND, std::wstring> g_themes;
HRESULT WINAPI RecordTheme(HWND window, LPCWSTR application, LPCWSTR classes)
{
    g_themes[window] = application != nullptr ? application : L"";
    return SetWindowTheme(window, application, classes);
}

std::wstring LastTheme(HWND window)
{
    const auto given = g_themes.find(window);
    return given != g_themes.end() ? given->second : L"<none>";
}

// 0x00BBGGRR as the screen shows it, 0x00RRGGBB.
std::uint32_t Pixel(COLORREF colour)
{
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// Real pixels, as the file manager has them: asked for before the test
// makes its first window (Wine's processes are aware already).
struct DpiAwareProcess {
    DpiAwareProcess()
    {
        if (!SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
            SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
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

    const IndexedPicture preview = QuadrantPicture(640, 480);
};

// The parts of a desktop at a DPI that the child process reports.
struct Measured {
    int tabRow = 0, listRow = 0;
};

// Runs the test process again at a DPI: the prefix's LogPixels set for its
// start, and put back as it was once it has ended.
Measured RunAtDpi(DWORD dpi)
{
    DWORD before = 0, size = sizeof before;
    const bool hadValue = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &before,
                                       &size) == ERROR_SUCCESS;
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
    SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::string output;
    const ChildRun run = RunChild(program, L"\"" + std::wstring(program) + L"\" --gtest_filter=ViewerDpi.*", 60000,
                                  [&](const std::string& text) { output += text; });
    SetEnvironmentVariableW(kDpiVariable, nullptr);
    if (hadValue)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &before, sizeof before);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << "at " << dpi << " DPI:\n" << output;
    Measured measured;
    const char* report = output.c_str() + std::min(output.find("measured:"), output.size());
    if (std::sscanf(report, "measured: tab row %d, list row %d", &measured.tabRow, &measured.listRow) != 2)
        ADD_FAILURE() << "nothing measured at " << dpi << " DPI:\n" << output;
    return measured;
}

}  // namespace

class ViewerDpi : public ViewerDesktop {};

// Run again in processes started at 96, 144 and 192 DPI: the tab row and the
// list's rows as tall as at 96 DPI times DPI/96 (the tab row within a pixel);
// in each, the panel's bounds and columns, the fonts of the panel, its titles
// and the tabs, and the picture at one picture pixel per screen pixel.
TEST_F(ViewerDpi, ControlsAreLaidOutForEachDpi)
{
    const wchar_t* asked = _wgetenv(kDpiVariable);
    const int dpi = asked != nullptr ? _wtoi(asked) : 0;
    if (dpi == 0) {
        const Measured base = RunAtDpi(96);
        ASSERT_GT(base.tabRow, 10);
        ASSERT_GT(base.listRow, 10);
        for (const int scaled : {144, 192}) {
            const Measured at = RunAtDpi(scaled);
            EXPECT_NEAR(at.tabRow, MulDiv(base.tabRow, scaled, 96), 1) << "the tab row at " << scaled;
            EXPECT_GE(at.listRow * 96, base.listRow * scaled - 96) << "the list's rows at " << scaled;
        }
        return;
    }
    ASSERT_EQ(GetDpiForSystem(), static_cast<UINT>(dpi)) << "the prefix's LogPixels";
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    HWND viewer = Load(InfoDrawing(), 0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(Panel(viewer) != nullptr && Tabs(viewer) != nullptr);
    HWND panel = Panel(viewer);
    // Where the panel takes a third, its least width and its most, in a
    // viewer as large on the screen as one of 640, 1005 and 1420 at 100 %.
    for (const int width : {640, 1005, 1420, 2840}) {
        MoveWindow(viewer, 0, 0, MulDiv(width, dpi, 96), MulDiv(480, dpi, 96), TRUE);
        const std::string when = std::to_string(width) + " wide at " + std::to_string(dpi);
        const Layout layout = WrittenIn(viewer, MessageFontFor(dpi), when);
        EXPECT_NEAR(layout[kPanelWidth], WantedPanelWidth(ClientRect(viewer).right, dpi), 1) << when;
        EXPECT_EQ(ChildRect(viewer, panel).right, ClientRect(viewer).right) << when;
        // The columns fill the list, but for its scroll bar at this DPI, and
        // every value is uncut, by the list's own measure of what it needs.
        RECT inside = {};
        GetClientRect(panel, &inside);
        const LRESULT value = SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0);
        EXPECT_NEAR(SendMessageW(panel, LVM_GETCOLUMNWIDTH, 0, 0) + value, inside.right, 1) << when;
        SendMessageW(panel, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
        EXPECT_LE(SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0), value) << when << ": the width the values need";
        SendMessageW(panel, LVM_SETCOLUMNWIDTH, 1, value);
    }

    // Natural size: the picture's last column, and the background after it.
    MoveWindow(viewer, 0, 0, kHostWidth, kHostHeight, TRUE);
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    ASSERT_EQ(Panel(viewer), nullptr);
    SendMessageW(viewer, WM_HSCROLL, SB_RIGHT, 0);
    const int lastColumn = Bar(viewer, SB_HORZ).nMax - Bar(viewer, SB_HORZ).nPos;
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 639) << "one picture pixel per screen pixel";
    EXPECT_EQ(Capture(viewer).At(lastColumn, 0), preview.ColourAt(639, 0));
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    RECT row = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(Panel(viewer), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    const RECT tabs = ChildRect(viewer, Tabs(viewer));
    std::printf("measured: tab row %ld, list row %ld\n", tabs.bottom - tabs.top, row.bottom - row.top);
    Close(viewer);
}

// A host aware of each monitor's DPI moves the viewer to 200 % and back; the
// user doubles the system's font and puts it back (the host passes the
// broadcast on): the controls follow, the picture keeps its zoom and sheet.
TEST_F(ViewerDesktop, DpiOrFontChangeWhileOpenLaysTheControlsOutAgain)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    ImportPatch lookUp(plugin.Module(), "kernel32.dll", "GetProcAddress",
                       reinterpret_cast<const void*>(&LookUpWithWindowDpi));
    ASSERT_TRUE(lookUp.Applied());
    NONCLIENTMETRICSW original = {};
    original.cbSize = sizeof original;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof original, &original, 0));
    struct PutBack {
        NONCLIENTMETRICSW metrics;
        ~PutBack() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0); }
    } putBack{original};
    NONCLIENTMETRICSW larger = original;
    larger.lfMessageFont.lfHeight = 2 * original.lfMessageFont.lfHeight;
    const int base = static_cast<int>(GetDpiForSystem());
    g_windowDpi = base;
    HWND viewer = Load(InfoDrawing(), 0);
    ASSERT_NE(viewer, nullptr);
    MoveWindow(viewer, 0, 0, 960, 600, TRUE);
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    ASSERT_EQ(Bar(viewer, SB_HORZ).nMax, 799);
    // Laid out for the DPI and font; the zoom, the picture's area and sheet.
    const auto laidOut = [&](int dpi, const LOGFONTW& font, const char* when) {
        const Layout layout = WrittenIn(viewer, font, when);
        EXPECT_EQ(layout[kPanelWidth], WantedPanelWidth(ClientRect(viewer).right, dpi)) << when;
        EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 799) << "the zoom " << when;
        EXPECT_EQ(Bar(viewer, SB_HORZ).nPage, static_cast<UINT>(ClientRect(viewer).right - layout[kPanelWidth]))
            << when;
        EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0), static_cast<LRESULT>(kActiveSheet)) << when;
        return layout;
    };
    const auto moveTo = [&](int dpi, const LOGFONTW& font, const char* when) {
        g_windowDpi = dpi;
        SendMessageW(viewer, WM_DPICHANGED_AFTERPARENT, 0, 0);
        return laidOut(dpi, font, when);
    };
    const auto useFont = [&](NONCLIENTMETRICSW& metrics, const char* when) {
        EXPECT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) << when;
        SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, reinterpret_cast<LPARAM>(L"WindowMetrics"));
        return laidOut(base, metrics.lfMessageFont, when);
    };
    const Layout first = laidOut(base, original.lfMessageFont, "at first");
    EXPECT_NEAR(moveTo(2 * base, MessageFontFor(2 * base), "at 200 %")[kTabRow], 2 * first[kTabRow], 1);
    EXPECT_EQ(moveTo(base, original.lfMessageFont, "back at 100 %"), first);
    EXPECT_GT(useFont(larger, "with a larger font")[kTabRow], first[kTabRow]);
    EXPECT_EQ(useFont(original, "with the font put back"), first);
    Close(viewer);
}

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
    const SIZE sheet = SheetPictureSize(0);
    const int lastColumn = sheet.cx - 1;
    const COLORREF system = GetSysColor(COLOR_WINDOW);
    ASSERT_NE(Pixel(system), Pixel(kDarkBackColorSetting));
    ASSERT_EQ(Capture(viewer).At(lastColumn, 0), Pixel(kDarkBackColorSetting));
    EXPECT_EQ(LastTheme(Tabs(viewer)), kDarkTheme);
    // The background at a point, the panel's, the scroll bars' and tabs' theme.
    const auto expectColours = [&](HWND shown, POINT at, COLORREF back, const wchar_t* theme, const char* when) {
        EXPECT_EQ(Capture(shown).At(at.x, at.y), Pixel(back)) << "the background " << when;
        EXPECT_EQ(SendMessageW(Panel(shown), LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(back)) << when;
        EXPECT_EQ(LastTheme(shown), theme) << "the scroll bars " << when;
        EXPECT_EQ(LastTheme(Tabs(shown)), theme) << "the tabs " << when;
    };

    g_highContrast = true;
    SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    SendMessageW(viewer, WM_SYSCOLORCHANGE, 0, 0);
    expectColours(viewer, {10, sheet.cy + 20}, system, L"", "turned on");
    EXPECT_EQ(SendMessageW(Panel(viewer), LVM_GETTEXTCOLOR, 0, 0), static_cast<LRESULT>(GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_EQ(LastTheme(Panel(viewer)), L"");
    DispatchPosted(viewer);
    EXPECT_EQ(Capture(viewer).At(lastColumn, 0), Pixel(system)) << "the sheet laid over the system's colour";
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0), 0) << "the sheet shown stays";

    g_highContrast = false;
    SendMessageW(viewer, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    DispatchPosted(viewer);
    expectColours(viewer, {10, sheet.cy + 20}, kDarkBackColorSetting, kDarkTheme, "turned off");
    EXPECT_EQ(Capture(viewer).At(lastColumn, 0), Pixel(kDarkBackColorSetting));
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);

    // A viewer opened while high contrast is on takes the system's colours,
    // never given the dark theme.
    g_highContrast = true;
    viewer = LoadPicture(QuadrantPicture(120, 90), kShowFlagDarkHost | kShowFlagDarkControls);
    ASSERT_NE(viewer, nullptr);
    expectColours(viewer, {10, 100}, system, L"<none>", "opened while on");
    Close(viewer);
}
