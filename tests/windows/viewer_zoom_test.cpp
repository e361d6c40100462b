// Zoom by Ctrl+wheel and by keys, drag to pan, both wheels sideways, the
// dialog code, and the host's dark mode, observed on the screen, on the
// platform's scroll bars and at the host window, with a picture whose
// colours tell their own coordinates.
#include "drawing_fixture.h"
#include "import_patch.h"
#include "viewer_host.h"

#include <uxtheme.h>

#include <cmath>
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

std::vector<std::wstring> g_themeCalls;
HRESULT WINAPI RecordSetWindowTheme(HWND window, const wchar_t* application, const wchar_t* idList)
{
    g_themeCalls.push_back((application != nullptr ? application : L"<null>") + std::wstring(L",") +
                           (idList != nullptr ? idList : L"<null>"));
    return SetWindowTheme(window, application, idList);
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
    EXPECT_EQ(FitMessages(), 1) << "once, when the zoom left fit";
    const std::vector<MSG> none = HostMessages(WM_COMMAND);
    EXPECT_TRUE(none.empty());

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
    g_themeCalls.clear();
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
    EXPECT_TRUE(g_themeCalls.empty()) << "dark controls were not asked for";

    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost | kShowFlagDarkControls), 0);
    ASSERT_EQ(g_themeCalls.size(), 1u);
    EXPECT_EQ(g_themeCalls[0], L"DarkMode_Explorer,<null>");
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);  // light again, every option replaced
    ASSERT_EQ(g_themeCalls.size(), 2u);
    EXPECT_EQ(g_themeCalls[1], L"<null>,<null>");
    shot = Capture(viewer);
    EXPECT_EQ(shot.At(300, 250), kBackgroundPixel);
    EXPECT_EQ(shot.At(lastColumn, 10), kBackgroundPixel) << "laid again over the light background";

    ASSERT_EQ(loadNextW(host, viewer, path.c_str(), kShowFlagDarkHost | kShowFlagDarkControls), 0);
    EXPECT_EQ(Capture(viewer).At(lastColumn, 10), kDarkPixel);
    EXPECT_EQ(g_themeCalls.size(), 3u);
    Close(viewer);
    // Without the host bit the dark-controls bit means nothing.
    viewer = Load(path, kShowFlagDarkControls);
    EXPECT_EQ(Capture(viewer).At(300, 250), kBackgroundPixel);
    EXPECT_EQ(g_themeCalls.size(), 3u);
    Close(viewer);
    // Without DarkBackColor in the settings, the dark grey 0x202020.
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting));
    viewer = Load(path, kShowFlagDarkHost);
    EXPECT_EQ(Capture(viewer).At(300, 250), 0x00202020u);
    Close(viewer);
}
