// Zoom by Ctrl+wheel and by keys, drag to pan, both wheels sideways, the
// dialog code, and the host's dark mode, observed on the screen, on the
// platform's scroll bars and at the host window, with a picture whose
// colours tell their own coordinates.
#include "drawing_fixture.h"
#include "import_patch.h"
#include "viewer_host.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>

namespace {

// 0x00RRGGBB of picture pixel (x, y): red and green are the low bytes of x
// and y, blue holds their high nibbles.
std::uint32_t CoordinatePixel(int x, int y)
{
    return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) << 4 | (y >> 8));
}

POINT CoordinatesOf(std::uint32_t pixel)
{
    const int blue = static_cast<int>(pixel & 0xFF);
    return {static_cast<int>(pixel >> 16 & 0xFF) + 256 * (blue >> 4),
            static_cast<int>(pixel >> 8 & 0xFF) + 256 * (blue & 15)};
}

// A 32-bit "Preview" block of that picture: the header, then the rows
// bottom first, each pixel as B, G, R and a spare byte.
std::vector<unsigned char> CoordinateBlock(int width, int height)
{
    std::vector<unsigned char> block =
        InfoHeader(width, height, 32, BI_RGB, static_cast<std::uint32_t>(width * height * 4), 0);
    for (int row = height - 1; row >= 0; --row)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = CoordinatePixel(x, row);
            block.insert(block.end(), {static_cast<unsigned char>(pixel), static_cast<unsigned char>(pixel >> 8),
                                       static_cast<unsigned char>(pixel >> 16), 0});
        }
    return block;
}

// The host is told that its fit option is off by WM_COMMAND item 0xFFFB.
constexpr WPARAM kFitOffCommand = MAKEWPARAM(0, kFitOptionCode);

// The theme each window holds, as the platform's SetWindowTheme leaves it:
// the last one given to it, or the default until it is given one.
std::map<HWND, std::wstring> g_windowThemes;
HRESULT WINAPI RecordSetWindowTheme(HWND window, const wchar_t* application, const wchar_t* idList)
{
    g_windowThemes[window] = application != nullptr ? application : L"";
    return SetWindowTheme(window, application, idList);
}

// "" for the default theme.
std::wstring ThemeOf(HWND window)
{
    const auto theme = g_windowThemes.find(window);
    return theme != g_windowThemes.end() ? theme->second : L"";
}

// A 32-bit "Preview" block of one colour, 0x00RRGGBB.
std::vector<unsigned char> SolidBlock(int width, int height, std::uint32_t colour)
{
    std::vector<unsigned char> block =
        InfoHeader(width, height, 32, BI_RGB, static_cast<std::uint32_t>(width * height * 4), 0);
    for (int pixel = 0; pixel < width * height; ++pixel)
        block.insert(block.end(), {static_cast<unsigned char>(colour), static_cast<unsigned char>(colour >> 8),
                                   static_cast<unsigned char>(colour >> 16), 0});
    return block;
}

class ViewerZoom : public ViewerTest {
protected:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 500;

    HWND LoadCoordinates(int showFlags, int width = kWidth, int height = kHeight)
    {
        HWND viewer = Load(Document(CoordinateBlock(width, height)), showFlags);
        EXPECT_NE(viewer, nullptr);
        UpdateWindow(viewer);
        return viewer;
    }

    // The picture point shown at a view point.
    POINT PictureAt(HWND viewer, int x, int y) { return CoordinatesOf(Capture(viewer).At(x, y)); }

    // The picture's scale, from the points shown 100 view pixels apart.
    double ScaleShown(HWND viewer, int x, int y)
    {
        return 100.0 / (PictureAt(viewer, x + 100, y).x - PictureAt(viewer, x, y).x);
    }

    static LPARAM ScreenPoint(HWND viewer, int x, int y)
    {
        POINT at = {x, y};
        ClientToScreen(viewer, &at);
        return MAKELPARAM(at.x, at.y);
    }

    static void Wheel(HWND viewer, UINT message, int delta, WORD keys, int x = 0, int y = 0)
    {
        SendMessageW(viewer, message, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))),
                     ScreenPoint(viewer, x, y));
    }

    static void ExpectNear(POINT actual, POINT expected, const char* what)
    {
        EXPECT_LE(std::abs(actual.x - expected.x), 1) << what << ": x " << actual.x << ", expected " << expected.x;
        EXPECT_LE(std::abs(actual.y - expected.y), 1) << what << ": y " << actual.y << ", expected " << expected.y;
    }

    int FitMessages()
    {
        int count = 0;
        for (const MSG& message : HostMessages(WM_COMMAND))
            count += message.wParam == kFitOffCommand ? 1 : 0;
        return count;
    }
};

}  // namespace

TEST_F(ViewerZoom, CtrlWheelKeepsThePicturePointUnderTheCursor)
{
    HWND viewer = LoadCoordinates(0);
    SCROLLINFO position = {sizeof position, SIF_POS, 0, 0, 0, 50, 0};
    SetScrollInfo(viewer, SB_HORZ, &position, TRUE);
    position.nPos = 40;
    SetScrollInfo(viewer, SB_VERT, &position, TRUE);
    InvalidateRect(viewer, nullptr, FALSE);
    const POINT cursor = {150, 100};
    const POINT under = PictureAt(viewer, cursor.x, cursor.y);
    ExpectNear(under, {200, 140}, "before");

    Wheel(viewer, WM_MOUSEWHEEL, 120, MK_CONTROL, cursor.x, cursor.y);  // away from the user: in
    ExpectNear(PictureAt(viewer, cursor.x, cursor.y), under, "one step in");
    EXPECT_NEAR(ScaleShown(viewer, 20, 20), 1.25, 0.02);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 750 - 1) << "the bars follow the zoomed size";

    // A high-resolution wheel: two half notches make one step.
    Wheel(viewer, WM_MOUSEWHEEL, -60, MK_CONTROL, cursor.x, cursor.y);
    EXPECT_NEAR(ScaleShown(viewer, 20, 20), 1.25, 0.02);
    Wheel(viewer, WM_MOUSEWHEEL, -60, MK_CONTROL, cursor.x, cursor.y);
    ExpectNear(PictureAt(viewer, cursor.x, cursor.y), under, "back at natural size");
    EXPECT_NEAR(ScaleShown(viewer, 20, 20), 1.0, 0.001);
    Wheel(viewer, WM_MOUSEWHEEL, -120, MK_CONTROL, cursor.x, cursor.y);
    ExpectNear(PictureAt(viewer, cursor.x, cursor.y), under, "one step out");
    EXPECT_NEAR(ScaleShown(viewer, 20, 20), 0.8, 0.02);
    EXPECT_EQ(FitMessages(), 0) << "the viewer was not fitted";
    Close(viewer);
}

TEST_F(ViewerZoom, KeysZoomAboutTheCentreAndLeavingFitTellsTheHostOnce)
{
    HWND viewer = LoadCoordinates(kShowFlagFit);
    const double fitted = ScaleShown(viewer, 10, 10);
    // 600 x 500 into 400 x 300: 0.6, between the steps 0.5 and 0.64.
    ASSERT_NEAR(fitted, 0.6, 0.01);
    // The point under the centre of the view before each key: it stays
    // there on each axis that has a bar to keep it with.
    const auto centre = [&] {
        const RECT client = ClientRect(viewer);
        return POINT{client.right / 2, client.bottom / 2};
    };
    POINT before = centre();
    POINT under = PictureAt(viewer, before.x, before.y);

    SendMessageW(viewer, WM_KEYDOWN, VK_OEM_PLUS, 0);  // the first step starts from the fitted scale
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), 0.64, 0.01);
    ASSERT_FALSE(Bar(viewer, SB_HORZ).visible) << "384 pixels wide fit the view";
    ASSERT_TRUE(Bar(viewer, SB_VERT).visible);
    EXPECT_LE(std::abs(PictureAt(viewer, before.x, before.y).y - under.y), 1) << "+ about the centre";
    before = centre();
    under = PictureAt(viewer, before.x, before.y);
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), 0.8, 0.01);
    ExpectNear(PictureAt(viewer, before.x, before.y), under, "numeric + about the centre");
    const std::vector<MSG> commands = HostMessages(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u) << "once, when the zoom left fit";
    EXPECT_EQ(commands[0].wParam, kFitOffCommand);

    SendMessageW(viewer, WM_KEYDOWN, VK_SUBTRACT, 0);
    SendMessageW(viewer, WM_KEYDOWN, VK_OEM_MINUS, 0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), 0.5, 0.01);
    SendMessageW(viewer, WM_KEYDOWN, '0', 0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), 1.0, 0.001);
    EXPECT_TRUE(Bar(viewer, SB_VERT).visible);
    EXPECT_EQ(FitMessages(), 0);

    // New options from the host end the zoom.
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), fitted, 0.01);
    EXPECT_FALSE(Bar(viewer, SB_VERT).visible);
    SendMessageW(viewer, WM_KEYDOWN, VK_NUMPAD0, 0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), 1.0, 0.001);
    EXPECT_EQ(FitMessages(), 1);
    // So does the next document.
    ASSERT_EQ(loadNextW(host, viewer, Document(CoordinateBlock(kWidth, kHeight), L"next.SLDPRT").c_str(), kShowFlagFit),
              0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), fitted, 0.01);
    EXPECT_EQ(SendMessageW(viewer, WM_GETDLGCODE, 0, 0), static_cast<LRESULT>(DLGC_WANTARROWS | DLGC_WANTCHARS));
    Close(viewer);
}

// Real documents are 640, 1005, 1024 and 1420 pixels wide, where most steps
// of the ladder give a size that is not a whole number of pixels: each key
// and each wheel notch must still go one step, all the way to either end.
TEST_F(ViewerZoom, EveryStepOfTheLadderIsReachedByKeysAndWheelNotches)
{
    constexpr int kHeight = 37;
    constexpr std::uint32_t kPicture = 0x00A0C0E0;
    for (const int width : {640, 1005, 1024, 1420, 16384}) {
        const std::wstring path = Document(SolidBlock(width, kHeight, kPicture), L"wide.SLDPRT");
        for (const bool byWheel : {false, true}) {
            // The keys start from natural size, the wheel from a fit.
            HWND viewer = Load(path, byWheel ? kShowFlagFit : 0);
            ASSERT_NE(viewer, nullptr) << width;
            UpdateWindow(viewer);
            const char* how = byWheel ? "wheel" : "keys";
            for (int press = 0; press < 30; ++press) {
                if (byWheel)
                    Wheel(viewer, WM_MOUSEWHEEL, 120, MK_CONTROL, 10, 10);
                else
                    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
            }
            EXPECT_EQ(Bar(viewer, SB_HORZ).nMax, 16 * width - 1) << width << " by " << how << ": at 16";
            EXPECT_EQ(Bar(viewer, SB_VERT).nMax, 16 * kHeight - 1) << width << " by " << how << ": at 16";
            for (int press = 0; press < 60; ++press) {
                if (byWheel)
                    Wheel(viewer, WM_MOUSEWHEEL, -120, MK_CONTROL, 10, 10);
                else
                    SendMessageW(viewer, WM_KEYDOWN, VK_SUBTRACT, 0);
            }
            // A sixteenth: width / 16 pixels wide, give or take the rounding.
            const int narrowest = width / 16;
            const int widest = (width + 15) / 16;
            if (widest > ClientRect(viewer).right) {
                EXPECT_NEAR(Bar(viewer, SB_HORZ).nMax + 1, width / 16.0, 1) << width << " by " << how;
            } else {
                const Screenshot shot = Capture(viewer);
                EXPECT_EQ(shot.At(narrowest - 1, 0), kPicture) << width << " by " << how << ": at a sixteenth";
                EXPECT_EQ(shot.At(widest + 1, 0), kBackgroundPixel) << width << " by " << how << ": at a sixteenth";
                EXPECT_FALSE(Bar(viewer, SB_HORZ).visible) << width << " by " << how;
            }
            Close(viewer);
        }
    }
}

// New options from the host end a zoom; the picture point at the centre of
// the view stays there, as it does for a zoom step.
TEST_F(ViewerZoom, NewOptionsKeepThePointAtTheCentre)
{
    HWND viewer = LoadCoordinates(0, 1005, 700);
    for (int press = 0; press < 6; ++press)
        SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    ASSERT_NEAR(ScaleShown(viewer, 10, 10), 4.0, 0.01);
    // Picture column 300 and row 200 at the view's top-left corner.
    SCROLLINFO position = {sizeof position, SIF_POS, 0, 0, 0, 1200, 0};
    SetScrollInfo(viewer, SB_HORZ, &position, TRUE);
    position.nPos = 800;
    SetScrollInfo(viewer, SB_VERT, &position, TRUE);
    InvalidateRect(viewer, nullptr, FALSE);
    ExpectNear(PictureAt(viewer, 0, 0), {300, 200}, "at 4");
    const RECT client = ClientRect(viewer);
    const POINT centre = {client.right / 2, client.bottom / 2};
    const POINT under = PictureAt(viewer, centre.x, centre.y);

    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);
    EXPECT_NEAR(ScaleShown(viewer, 10, 10), 1.0, 0.001);
    ExpectNear(PictureAt(viewer, centre.x, centre.y), under, "natural size after command 2");
    Close(viewer);
}

// Whatever replaces the picture ends a drag on the one before: the capture
// goes, and the next mouse move scrolls nothing.
TEST_F(ViewerZoom, NextDocumentEndsADrag)
{
    HWND viewer = LoadCoordinates(0);
    SendMessageW(viewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ASSERT_EQ(GetCapture(), viewer);
    ASSERT_EQ(loadNextW(host, viewer, Document(CoordinateBlock(kWidth, kHeight), L"next.SLDPRT").c_str(), 0), 0);
    EXPECT_NE(GetCapture(), viewer);
    SendMessageW(viewer, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 50));
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);
    Close(viewer);
}

// The open-source file manager passes on to its own window every key the
// viewer answers with 0: the keys the viewer uses must not reach it, those
// that change nothing must.
TEST_F(ViewerZoom, KeysThatChangeNothingReachTheHost)
{
    HWND viewer = LoadCoordinates(0);
    {
        FileManagerSubclass subclass(viewer);
        HostMessages(WM_KEYDOWN);
        for (const WPARAM used : {WPARAM{VK_ADD}, WPARAM{VK_DOWN}, WPARAM{VK_NEXT}, WPARAM{'0'}})
            SendMessageW(viewer, WM_KEYDOWN, used, 0);
        EXPECT_TRUE(HostMessages(WM_KEYDOWN).empty()) << "zoom in, scroll, page, natural size";
        SendMessageW(viewer, WM_KEYDOWN, '0', 0);  // natural size already
        SendMessageW(viewer, WM_KEYDOWN, 'N', 0);
        const std::vector<MSG> passed = HostMessages(WM_KEYDOWN);
        ASSERT_EQ(passed.size(), 2u);
        EXPECT_EQ(passed[0].wParam, WPARAM{'0'});
        EXPECT_EQ(passed[1].wParam, WPARAM{'N'});
    }
    Close(viewer);

    // A drawing's sheet without a picture has nothing to zoom.
    const std::wstring path = folder.File(L"broken.SLDDRW");
    DrawingContent content = ThreeSheetDrawing(QuadrantPicture(180, 140));
    content.sheetPictures[0].clear();
    WriteDrawing(path, Container::Archive, content);
    viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    SendKeyWithCtrl(viewer, VK_PRIOR);
    {
        FileManagerSubclass subclass(viewer);
        HostMessages(WM_KEYDOWN);
        for (const WPARAM key : {WPARAM{VK_ADD}, WPARAM{VK_OEM_MINUS}, WPARAM{VK_NUMPAD0}})
            SendMessageW(viewer, WM_KEYDOWN, key, 0);
        EXPECT_EQ(HostMessages(WM_KEYDOWN).size(), 3u) << "+, - and 0 on a sheet without a picture";
    }
    Close(viewer);
}

TEST_F(ViewerZoom, DragMovesThePictureWithTheMouse)
{
    HWND viewer = LoadCoordinates(0);
    const POINT under = PictureAt(viewer, 200, 150);
    SendMessageW(viewer, WM_SETCURSOR, reinterpret_cast<WPARAM>(viewer), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(viewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 150));
    EXPECT_EQ(GetCapture(), viewer);
    SendMessageW(viewer, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(170, 130));
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 30);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 20);
    ExpectNear(PictureAt(viewer, 170, 130), under, "dragged by (-30, -20)");
    SendMessageW(viewer, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(190, 140));
    ExpectNear(PictureAt(viewer, 190, 140), under, "dragged back by (20, 10)");
    SendMessageW(viewer, WM_LBUTTONUP, 0, MAKELPARAM(190, 140));
    EXPECT_NE(GetCapture(), viewer);
    SendMessageW(viewer, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 10) << "no drag after the release";

    // A lost capture ends the drag as well.
    SendMessageW(viewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    ReleaseCapture();
    SendMessageW(viewer, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 10);
    Close(viewer);

    // A picture that fits has nothing to move: no capture, no hand.
    viewer = LoadCoordinates(0, 200, 100);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(viewer, WM_SETCURSOR, reinterpret_cast<WPARAM>(viewer), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(viewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_NE(GetCapture(), viewer);
    SendMessageW(viewer, WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    Close(viewer);
}

TEST_F(ViewerZoom, ShiftWheelAndTiltWheelScrollSideways)
{
    HWND viewer = LoadCoordinates(0);
    Wheel(viewer, WM_MOUSEWHEEL, -120, MK_SHIFT);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 3 * 30);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);
    Wheel(viewer, WM_MOUSEHWHEEL, 120, 0);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 6 * 30);
    Wheel(viewer, WM_MOUSEHWHEEL, -120, 0);
    Wheel(viewer, WM_MOUSEWHEEL, 120, MK_SHIFT);
    EXPECT_EQ(Bar(viewer, SB_HORZ).nPos, 0);
    ExpectNear(PictureAt(viewer, 0, 0), {0, 0}, "scrolled back");
    Wheel(viewer, WM_MOUSEWHEEL, -120, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 3 * 30) << "the plain wheel as before";
    Close(viewer);

    // Narrower than the view: no bar, nothing moves.
    viewer = LoadCoordinates(0, 300, 500);
    ASSERT_FALSE(Bar(viewer, SB_HORZ).visible);
    Wheel(viewer, WM_MOUSEHWHEEL, 120, 0);
    Wheel(viewer, WM_MOUSEWHEEL, -120, MK_SHIFT);
    ExpectNear(PictureAt(viewer, 0, 0), {0, 0}, "without a bar");
    EXPECT_EQ(g_hostWheelMessages, 0);
    Close(viewer);
}

TEST_F(ViewerZoom, DarkHostPaintsTheDarkBackgroundAndThemesTheBarsWhenAsked)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nDarkBackColor=" + std::to_string(0x00302010) +
                  "\r\nTrueColor=1");
    constexpr std::uint32_t kDarkPixel = 0x00102030;
    g_windowThemes.clear();
    ImportPatch theme(plugin.Module(), "uxtheme.dll", "SetWindowTheme",
                      reinterpret_cast<const void*>(&RecordSetWindowTheme));
    ASSERT_TRUE(theme.Applied());
    // A true-colour picture whose last column is transparent.
    const std::wstring path = folder.File(L"dark.SLDPRT");
    WriteCompoundFile(
        path, {{L"Preview", PreviewStreamBytes(Rle8Block(MakeBlockPicture(20, 20)))}, {L"PreviewPNG", SheetPng(0)}});
    const int lastColumn = SheetPictureSize(0).cx - 1;

    HWND viewer = Load(path, kShowFlagDarkHost);
    Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(300, 250), kDarkPixel);
    EXPECT_EQ(shot.At(lastColumn, 10), kDarkPixel) << "the picture is laid over the dark background";
    EXPECT_EQ(shot.At(10, 10), SheetPixelOver(0, 10, 10, kDarkPixel));
    EXPECT_EQ(ThemeOf(viewer), L"") << "dark controls were not asked for";

    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost | kShowFlagDarkControls), 0);
    EXPECT_EQ(ThemeOf(viewer), L"DarkMode_Explorer");
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);  // light again, every option replaced
    EXPECT_EQ(ThemeOf(viewer), L"");
    shot = Capture(viewer);
    EXPECT_EQ(shot.At(300, 250), kBackgroundPixel);
    EXPECT_EQ(shot.At(lastColumn, 10), kBackgroundPixel) << "laid again over the light background";

    ASSERT_EQ(loadNextW(host, viewer, path.c_str(), kShowFlagDarkHost | kShowFlagDarkControls), 0);
    EXPECT_EQ(Capture(viewer).At(lastColumn, 10), kDarkPixel);
    EXPECT_EQ(ThemeOf(viewer), L"DarkMode_Explorer");
    Close(viewer);
    g_windowThemes.clear();
    // Without the host bit the dark-controls bit means nothing.
    viewer = Load(path, kShowFlagDarkControls);
    EXPECT_EQ(Capture(viewer).At(300, 250), kBackgroundPixel);
    EXPECT_EQ(ThemeOf(viewer), L"");
    Close(viewer);
    g_windowThemes.clear();
    // A drawing's tabs take the theme with the bars as they are made, and
    // lose it with them; so do the information panel and its column titles.
    const std::wstring drawing = folder.File(L"dark.SLDDRW");
    WriteDrawing(drawing, Container::Archive, ThreeSheetDrawing(QuadrantPicture(180, 140)));
    viewer = Load(drawing, kShowFlagDarkHost | kShowFlagDarkControls);
    ASSERT_NE(viewer, nullptr);
    HWND tabs = Tabs(viewer);
    EXPECT_EQ(ThemeOf(tabs), L"DarkMode_Explorer") << "the tabs themed as they are made";
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    HWND titles = reinterpret_cast<HWND>(SendMessageW(panel, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(ThemeOf(panel), L"DarkMode_Explorer");
    EXPECT_EQ(ThemeOf(titles), L"DarkMode_ItemsView");
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost), 0);
    for (const HWND window : {viewer, tabs, panel, titles})
        EXPECT_EQ(ThemeOf(window), L"") << "light controls once the host no longer wants dark ones";
    Close(viewer);
    g_windowThemes.clear();
    // Without DarkBackColor in the settings, the dark grey 0x202020.
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting));
    viewer = Load(path, kShowFlagDarkHost);
    EXPECT_EQ(Capture(viewer).At(300, 250), 0x00202020u);
    Close(viewer);
}

// Hosts size the viewer with their own window: minimised or collapsed to 0
// or 1 pixel, or so narrow that the information panel takes the whole
// width. There a fitted picture is drawn in no pixels, and nothing is under
// the point that a zoom step or new options keep in place. Every key, wheel
// notch and command 2 must still pass in a strict host (the test runs with
// floating-point exceptions unmasked), and the viewer shows the picture
// again once it has room.
TEST_F(ViewerZoom, ViewsOfNoPixelsZoomAndTakeNewOptionsInAStrictHost)
{
    constexpr std::uint32_t kPicture = 0x0080A0C0;
    struct Size {
        int width;
        int height;
        bool panel;
    };
    for (const int width : {640, 1005, 1024, 1420}) {
        const std::wstring path = Document(SolidBlock(width, width * 3 / 4, kPicture), L"real.SLDPRT");
        for (const Size size : {Size{0, 0, false}, Size{1, 1, false}, Size{150, 400, true}, Size{1, 1, true}}) {
            WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + (size.panel ? "\r\nInfoPanel=1" : ""));
            for (const std::uint32_t flags : {0u, kShowFlagFit, kShowFlagFit | kShowFlagCenter}) {
                const std::string what = std::to_string(width) + " wide in " + std::to_string(size.width) + " x " +
                                         std::to_string(size.height) + (size.panel ? " with the panel" : "") +
                                         ", flags " + std::to_string(flags);
                HWND viewer = Load(path, static_cast<int>(flags));
                ASSERT_NE(viewer, nullptr) << what;
                MoveWindow(viewer, 0, 0, size.width, size.height, TRUE);
                for (const WPARAM key : {WPARAM{VK_ADD}, WPARAM{VK_SUBTRACT}, WPARAM{VK_SUBTRACT}})
                    SendMessageW(viewer, WM_KEYDOWN, key, 0);
                EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, static_cast<int>(flags)), 0) << what;
                for (const int delta : {120, -120, -120})
                    Wheel(viewer, WM_MOUSEWHEEL, delta, MK_CONTROL);
                EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, static_cast<int>(flags ^ kShowFlagFit)), 0)
                    << what;
                for (const WPARAM key : {WPARAM{VK_OEM_PLUS}, WPARAM{VK_OEM_MINUS}, WPARAM{VK_OEM_MINUS}})
                    SendMessageW(viewer, WM_KEYDOWN, key, 0);
                EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, static_cast<int>(flags)), 0) << what;
                UpdateWindow(viewer);

                // Room again, at natural size: the picture fills the area.
                MoveWindow(viewer, 0, 0, kHostWidth, kHostHeight, TRUE);
                EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0) << what;
                EXPECT_EQ(Capture(viewer).At(1, 1), kPicture) << what;
                Close(viewer);
            }
        }
    }
}
