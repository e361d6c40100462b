// A drawing's sheets: tabs along the bottom of the viewer, and each sheet's
// own picture, chosen by a click on its tab or by Ctrl+Page Down/Up.
#include "drawing_fixture.h"
#include "guarded_heap.h"
#include "sheet_names_record.h"
#include "viewer_host.h"

#include <commctrl.h>

#include <string>

namespace {

class ViewerSheets : public ViewerTest, public ::testing::WithParamInterface<Container> {
protected:
    const IndexedPicture preview = QuadrantPicture(180, 140);

    HWND LoadDrawing(const DrawingContent& content, int showFlags = 0)
    {
        const std::wstring path = folder.File(GetParam() == Container::Compound ? L"plan.SLDDRW" : L"plan-new.SLDDRW");
        WriteDrawing(path, GetParam(), content);
        return Load(path, showFlags);
    }

    static int Selected(HWND viewer) { return static_cast<int>(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0)); }

    static std::wstring TabText(HWND tabs, int index)
    {
        wchar_t text[64] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    // A click in the middle of the tab, as the user makes it, without the
    // messages that follow it.
    static void PressTab(HWND viewer, int index)
    {
        RECT item = {};
        ASSERT_TRUE(SendMessageW(Tabs(viewer), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(Tabs(viewer), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(Tabs(viewer), WM_LBUTTONUP, 0, at);
    }

    // The click, then what it posted, as the host's message loop runs it.
    static void ClickTab(HWND viewer, int index)
    {
        PressTab(viewer, index);
        DispatchPosted(viewer);
    }

    // The sheet's PNG over the background, from the top-left corner.
    void ExpectSheetShown(HWND viewer, std::uint32_t sheet, const char* how)
    {
        EXPECT_EQ(Selected(viewer), static_cast<int>(sheet)) << how;
        const SIZE size = SheetPictureSize(sheet);
        const Screenshot shot = Capture(viewer);
        const int lastX = static_cast<int>(size.cx) - 1;
        for (const POINT at : {POINT{0, 0}, POINT{lastX - 1, 0}, POINT{lastX, 5}, POINT{37, 91}, POINT{5, 120}})
            EXPECT_EQ(shot.At(at.x, at.y), SheetPixelOver(sheet, at.x, at.y, kBackgroundPixel))
                << how << ": sheet " << sheet << " at (" << at.x << ", " << at.y << ")";
        EXPECT_EQ(shot.At(lastX + 1, 0), kBackgroundPixel) << how << ": right of sheet " << sheet;
    }

    void ExpectPreviewShown(HWND viewer, const char* how)
    {
        EXPECT_EQ(Selected(viewer), static_cast<int>(kActiveSheet)) << how;
        const Screenshot shot = Capture(viewer);
        for (const POINT at : {POINT{0, 0}, POINT{179, 0}, POINT{0, 139}, POINT{179, 139}})
            EXPECT_EQ(shot.At(at.x, at.y), preview.ColourAt(at.x, at.y))
                << how << " at (" << at.x << ", " << at.y << ")";
        EXPECT_EQ(shot.At(180, 0), kBackgroundPixel) << how;
    }
};

}  // namespace

TEST_P(ViewerSheets, TabsNameTheSheetsAndEachShowsItsOwnPicture)
{
    HWND viewer = LoadDrawing(ThreeSheetDrawing(preview));
    ASSERT_NE(viewer, nullptr);
    HWND tabs = Tabs(viewer);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(kSheetCount));
    for (std::uint32_t sheet = 0; sheet < kSheetCount; ++sheet)
        EXPECT_EQ(TabText(tabs, sheet), kSheetNames[sheet]) << sheet;
    const LONG style = GetWindowLongW(tabs, GWL_STYLE);
    EXPECT_TRUE((style & TCS_BOTTOM) != 0 && (style & TCS_FOCUSNEVER) != 0) << std::hex << style;
    // Along the bottom of the client area, as wide as it.
    RECT strip = {};
    GetWindowRect(tabs, &strip);
    MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&strip), 2);
    const RECT client = ClientRect(viewer);
    EXPECT_EQ(strip.left, 0);
    EXPECT_EQ(strip.right, client.right);
    EXPECT_EQ(strip.bottom, client.bottom);
    EXPECT_GT(strip.bottom - strip.top, 10);
    ExpectPreviewShown(viewer, "at load");

    SetFocus(viewer);
    SendKeyWithCtrl(viewer, VK_NEXT);
    ExpectSheetShown(viewer, 2, "Ctrl+Page Down");
    SendKeyWithCtrl(viewer, VK_NEXT);  // no wrap-around
    ExpectSheetShown(viewer, 2, "Ctrl+Page Down on the last sheet");
    ClickTab(viewer, 0);
    ExpectSheetShown(viewer, 0, "a click on the first tab");
    EXPECT_EQ(GetFocus(), viewer) << "the tabs never take the focus";
    SendKeyWithCtrl(viewer, VK_PRIOR);
    ExpectSheetShown(viewer, 0, "Ctrl+Page Up on the first sheet");
    SendKeyWithCtrl(viewer, VK_NEXT);
    ExpectPreviewShown(viewer, "back on the saved sheet");
    // Without Ctrl, Page Down is the host's or scrolls, never a sheet change.
    SendMessageW(viewer, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(Selected(viewer), static_cast<int>(kActiveSheet));
    Close(viewer);
}

TEST_P(ViewerSheets, CopyTakesTheSheetShown)
{
    HWND viewer = LoadDrawing(ThreeSheetDrawing(preview));
    ClickTab(viewer, 0);
    ASSERT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> copied =
        ReadPixels(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), &width, &height);
    CloseClipboard();
    EXPECT_EQ(width, SheetPictureSize(0).cx);
    EXPECT_EQ(height, SheetPictureSize(0).cy);
    ASSERT_EQ(copied.size(), static_cast<size_t>(width) * height);
    for (const POINT at : {POINT{0, 0}, POINT{width - 1, 7}, POINT{33, height - 1}})
        EXPECT_EQ(copied[static_cast<size_t>(at.y) * width + at.x], SheetPixelOver(0, at.x, at.y, kBackgroundPixel))
            << "at (" << at.x << ", " << at.y << ")";
    Close(viewer);
}

TEST_P(ViewerSheets, BrokenSheetPictureShowsTheBackgroundAndKeepsItsTab)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nDebug=1");
    DrawingContent content = ThreeSheetDrawing(preview);
    content.sheetPictures[0].assign(3000, 0x89);  // no PNG
    content.sheetPictures[2].clear();             // no record at all
    HWND viewer = LoadDrawing(content);
    ASSERT_NE(viewer, nullptr);
    plugin.ClearBoxes();
    for (const int sheet : {0, 2}) {
        ClickTab(viewer, sheet);
        EXPECT_EQ(Selected(viewer), sheet);
        const Screenshot shot = Capture(viewer);
        EXPECT_EQ(shot.At(0, 0), kBackgroundPixel) << sheet;
        EXPECT_EQ(shot.At(100, 100), kBackgroundPixel) << sheet;
        EXPECT_FALSE(Bar(viewer, SB_VERT).visible) << sheet;
        EXPECT_NE(sendCommand(viewer, kCommandCopy, 0), 0) << "sheet " << sheet << " has no picture to copy";
    }
    ASSERT_EQ(plugin.Boxes().size(), 2u);
    EXPECT_NE(plugin.Boxes()[0].text.find(L"ReadSheetPicture(Images/Sheet_0) failed with error 8007000d"),
              std::wstring::npos)
        << plugin.Boxes()[0].text;
    EXPECT_NE(plugin.Boxes()[1].text.find(L"ReadSheetPicture(Images/Sheet_2) failed with error 80030002"),
              std::wstring::npos)
        << plugin.Boxes()[1].text;
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(kSheetCount));
    // New options still apply to a sheet without a picture.
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);
    ClickTab(viewer, kActiveSheet);
    ExpectPreviewShown(viewer, "the saved sheet after broken ones");
    Close(viewer);
}

// A sheet is read after the tab control's click has returned, so that the
// box a broken sheet shows never runs inside the control: from the box the
// host may destroy the viewer and its tabs, or load another document.
TEST_P(ViewerSheets, BoxOfABrokenSheetComesAfterTheTabClick)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nDebug=1");
    DrawingContent content = ThreeSheetDrawing(preview);
    content.sheetPictures[0].assign(3000, 0x89);  // no PNG
    const std::wstring part = PictureDocument(MakeBlockPicture(90, 60, 4));
    GuardedHeap heap(plugin.Module());
    ASSERT_TRUE(heap.Applied());

    HWND viewer = LoadDrawing(content);
    ASSERT_NE(viewer, nullptr);
    plugin.ClearBoxes();
    plugin.RunInsideNextBox([&] { closeWindow(viewer); });
    PressTab(viewer, 0);
    EXPECT_TRUE(plugin.Boxes().empty()) << "no box inside the tab control's click";
    DispatchPosted(viewer);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_FALSE(IsWindow(viewer)) << "closed from the box";
    EXPECT_EQ(heap.LiveBlocks(), 0u);

    viewer = LoadDrawing(content);
    ASSERT_NE(viewer, nullptr);
    plugin.ClearBoxes();
    int nextResult = -1;
    plugin.RunInsideNextBox([&] { nextResult = loadNextW(host, viewer, part.c_str(), 0); });
    PressTab(viewer, 0);
    EXPECT_TRUE(plugin.Boxes().empty()) << "no box inside the tab control's click";
    DispatchPosted(viewer);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(nextResult, 0);
    EXPECT_EQ(Tabs(viewer), nullptr) << "the part loaded from the box has no sheets";
    EXPECT_EQ(Capture(viewer).At(89, 59), MakeBlockPicture(90, 60, 4).ColourAt(89, 59));
    Close(viewer);
    EXPECT_EQ(heap.LiveBlocks(), 0u);
}

TEST_P(ViewerSheets, NamesThatCannotBeUsedLeaveTheDocumentAsItWas)
{
    const struct {
        const char* what;
        std::vector<unsigned char> names;
    } unusable[] = {
        {"one sheet", SheetNamesRecord({u"Sheet1"}, 0)},
        {"saved sheet past the count", SheetNamesRecord({u"A", u"B", u"C"}, 3)},
        {"a byte left over",
         [] {
             std::vector<unsigned char> bytes = SheetNamesRecord({u"A", u"B"}, 1);
             bytes.push_back(0);
             return bytes;
         }()},
        {"no record", {}},
    };
    for (const auto& record : unusable) {
        DrawingContent content = ThreeSheetDrawing(preview);
        content.sheetNames = record.names;
        HWND viewer = LoadDrawing(content);
        ASSERT_NE(viewer, nullptr) << record.what;
        EXPECT_EQ(Tabs(viewer), nullptr) << record.what;
        const Screenshot shot = Capture(viewer);
        EXPECT_EQ(shot.At(179, 139), preview.ColourAt(179, 139)) << record.what;
        EXPECT_EQ(shot.At(200, kHostHeight - 1), kBackgroundPixel) << record.what << ": the whole client is the view";
        SendKeyWithCtrl(viewer, VK_NEXT);
        EXPECT_EQ(Capture(viewer).At(0, 0), preview.ColourAt(0, 0)) << record.what;
        Close(viewer);
    }
}

TEST_P(ViewerSheets, NextDocumentShowsItsOwnTabsOrNone)
{
    HWND viewer = LoadDrawing(ThreeSheetDrawing(preview));
    ClickTab(viewer, 2);
    const IndexedPicture part = MakeBlockPicture(90, 60, 4);
    ASSERT_EQ(loadNextW(host, viewer, PictureDocument(part).c_str(), 0), 0);
    EXPECT_EQ(Tabs(viewer), nullptr);
    EXPECT_EQ(Capture(viewer).At(89, 59), part.ColourAt(89, 59));
    SendKeyWithCtrl(viewer, VK_NEXT);
    EXPECT_EQ(Capture(viewer).At(0, 0), part.ColourAt(0, 0));

    const std::wstring drawing = folder.File(L"other.SLDDRW");
    WriteDrawing(drawing, GetParam(), ThreeSheetDrawing(preview));
    ASSERT_EQ(loadNextW(host, viewer, drawing.c_str(), 0), 0);
    ASSERT_NE(Tabs(viewer), nullptr);
    ExpectPreviewShown(viewer, "the next drawing");
    Close(viewer);
}

INSTANTIATE_TEST_SUITE_P(BothContainers, ViewerSheets, ::testing::Values(Container::Compound, Container::Archive),
                         [](const ::testing::TestParamInfo<Container>& info) {
                             return info.param == Container::Compound ? "Compound" : "Archive";
                         });

// The picture area is the client area above the tabs: the bars, scrolling
// and fitting all work within it, and the tabs stay put.
TEST_F(ViewerTest, SheetPictureAreaEndsAboveTheTabs)
{
    const std::wstring path = folder.File(L"tall.SLDDRW");
    WriteDrawing(path, Container::Archive, ThreeSheetDrawing(QuadrantPicture(180, 140)));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    HWND tabs = Tabs(viewer);
    ASSERT_NE(tabs, nullptr);
    RECT strip = {};
    GetWindowRect(tabs, &strip);
    const int stripHeight = strip.bottom - strip.top;
    SendKeyWithCtrl(viewer, VK_NEXT);  // sheet 2, 400 pixels tall

    const RECT client = ClientRect(viewer);
    const int areaHeight = client.bottom - stripHeight;
    const ScrollBarState bar = Bar(viewer, SB_VERT);
    ASSERT_TRUE(bar.visible);
    EXPECT_EQ(bar.nMax, SheetPictureSize(2).cy - 1);
    EXPECT_EQ(bar.nPage, static_cast<UINT>(areaHeight));
    EXPECT_EQ(bar.nPos, 0);
    SendMessageW(viewer, WM_VSCROLL, SB_BOTTOM, 0);
    const int bottom = Bar(viewer, SB_VERT).nPos;
    EXPECT_EQ(bottom, SheetPictureSize(2).cy - areaHeight);
    Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(10, areaHeight - 1), SheetPixelOver(2, 10, SheetPictureSize(2).cy - 1, kBackgroundPixel));
    EXPECT_EQ(shot.At(10, 0), SheetPixelOver(2, 10, bottom, kBackgroundPixel));
    GetWindowRect(tabs, &strip);
    MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&strip), 2);
    EXPECT_EQ(strip.top, areaHeight) << "the tabs did not move with the picture";

    // Back and forth: the sheet starts at its top again.
    SendKeyWithCtrl(viewer, VK_PRIOR);
    SendKeyWithCtrl(viewer, VK_NEXT);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);

    // Fitted and centred within the area: 260 x 400 scaled to its height.
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit | kShowFlagCenter), 0);
    const RECT fitted = ClientRect(viewer);
    const int fittedArea = fitted.bottom - stripHeight;
    const int fittedWidth = MulDiv(260, fittedArea, 400);
    const int left = (fitted.right - fittedWidth) / 2;
    shot = Capture(viewer);
    EXPECT_EQ(shot.At(left - 2, fittedArea / 2), kBackgroundPixel);
    EXPECT_NE(shot.At(left + 2, fittedArea / 2), kBackgroundPixel);
    EXPECT_NE(shot.At(fitted.right / 2, fittedArea - 2), kBackgroundPixel) << "the picture reaches the tabs";
    EXPECT_NE(shot.At(fitted.right / 2, 1), kBackgroundPixel) << "and the top";
    Close(viewer);
}
