// Opening, reloading and closing viewers; the detection expression and the
// one-shot centre setting handed to the host.
#include "viewer_host.h"

#include <string>

namespace {

class ViewerLoad : public ViewerTest {
protected:
    int CenterImageInFile()
    {
        return static_cast<int>(
            GetPrivateProfileIntW(L"Corvelle Settings", L"CenterImage", -1, folder.File(L"corvelle.ini").c_str()));
    }

    // Whether a small picture is drawn centred, judged by its top-left pixel.
    bool DrawnCentred(HWND viewer) { return Capture(viewer).At(0, 0) == kBackgroundPixel; }

    const IndexedPicture picture = QuadrantPicture(100, 80);
};

}  // namespace

TEST_F(ViewerLoad, DetectStringFillsTheHostsBuffer)
{
    auto detect = plugin.Export<ListGetDetectStringFunction>("ListGetDetectString");
    std::string buffer(1100, '#');
    detect(&buffer[0], 1024);
    EXPECT_EQ(std::string(buffer.c_str()),
              "EXT=\"SLDASM\"|EXT=\"SLDDRW\"|EXT=\"SLDPRT\"|EXT=\"ASMDOT\"|EXT=\"DRWDOT\"|EXT=\"PRTDOT\"|"
              "EXT=\"SLDFLP\"|EXT=\"SLDDRT\"|EXT=\"ASM\"|EXT=\"DRW\"|EXT=\"PRT\"");
    buffer.assign(8, '#');
    detect(&buffer[0], -5);
    EXPECT_EQ(buffer, "########");
    detect(&buffer[0], 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');
}

TEST_F(ViewerLoad, CenterImageOneIsHandedToTheHostAndRemoved)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nCenterImage=1");
    HWND viewer = LoadPicture(picture, 0);
    const std::vector<MSG> commands = HostMessages(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LOWORD(commands[0].wParam), 1);
    EXPECT_EQ(HIWORD(commands[0].wParam), kCenterHandOverCode);
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(viewer));
    EXPECT_EQ(CenterImageInFile(), -1);
    EXPECT_TRUE(DrawnCentred(viewer));
    Close(viewer);

    // The next load follows ShowFlags again.
    viewer = LoadPicture(picture, 0, L"next.SLDPRT");
    EXPECT_TRUE(HostMessages(WM_COMMAND).empty());
    EXPECT_FALSE(DrawnCentred(viewer));
    Close(viewer);
}

TEST_F(ViewerLoad, CenterImageZeroOverridesTheCentreFlag)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nCenterImage=0");
    HWND viewer = LoadPicture(picture, kShowFlagCenter);
    const std::vector<MSG> commands = HostMessages(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(0, kCenterHandOverCode));
    EXPECT_FALSE(DrawnCentred(viewer));
    EXPECT_EQ(CenterImageInFile(), -1);
    Close(viewer);
}

TEST_F(ViewerLoad, OtherCenterImageValuesStayAndShowFlagsDecide)
{
    for (int value : {2, 5, -1}) {
        WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nCenterImage=" + std::to_string(value));
        HWND viewer = LoadPicture(picture, 0x40, L"v" + std::to_wstring(value + 1) + L".SLDPRT");
        EXPECT_TRUE(HostMessages(WM_COMMAND).empty()) << value;
        EXPECT_EQ(CenterImageInFile(), value);
        EXPECT_TRUE(DrawnCentred(viewer)) << value;
        Close(viewer);
    }
}

TEST_F(ViewerLoad, TwoViewersInOneProcessBothWork)
{
    HWND first = LoadPicture(picture, 0);
    HWND second = LoadPicture(QuadrantPicture(50, 40), 0x40, L"second.SLDPRT");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(sendCommand(first, kCommandNewParameters, kShowFlagCenter), 0);
    EXPECT_EQ(sendCommand(second, kCommandNewParameters, 0), 0);
    Close(second);
    EXPECT_TRUE(DrawnCentred(first));
    Close(first);
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(ViewerLoad, ReloadReplacesThePictureAndItsOptions)
{
    HWND viewer = LoadPicture(picture, 0);
    const IndexedPicture next = QuadrantPicture(60, 40);
    EXPECT_EQ(loadNextW(host, viewer, PictureDocument(next, L"next.SLDPRT").c_str(), kShowFlagCenter), 0);
    const Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(170, 130), next.ColourAt(0, 0));
    EXPECT_EQ(shot.At(169, 130), kBackgroundPixel);
    EXPECT_EQ(shot.At(10, 10), kBackgroundPixel);
    Close(viewer);
}

TEST_F(ViewerLoad, FailedReloadLeavesAViewerWithoutPictureUntilTheNextGoodOne)
{
    WriteCompoundFile(folder.File(L"nopreview.SLDPRT"), {{L"Contents", {1}}});
    HWND viewer = LoadPicture(picture, 0);
    EXPECT_EQ(loadNextW(host, viewer, folder.File(L"nopreview.SLDPRT").c_str(), 0), 1);
    // The failed reload does not repaint; the next paint shows no picture.
    EXPECT_EQ(Capture(viewer).At(0, 0), picture.ColourAt(0, 0));
    InvalidateRect(viewer, nullptr, FALSE);
    EXPECT_EQ(Capture(viewer).At(0, 0), kBackgroundPixel);
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1);
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagCenter), 1);
    SendMessageW(viewer, WM_SIZE, 0, MAKELPARAM(kHostWidth, kHostHeight));
    EXPECT_EQ(loadNextW(host, viewer, PictureDocument(picture, L"good.SLDPRT").c_str(), 0), 0);
    EXPECT_EQ(Capture(viewer).At(0, 0), picture.ColourAt(0, 0));
    Close(viewer);
}

TEST_F(ViewerLoad, ReloadAndCloseRefuseWhatIsNotAViewer)
{
    const std::wstring path = PictureDocument(picture);
    EXPECT_EQ(loadNextW(host, nullptr, path.c_str(), 0), 1);
    EXPECT_EQ(loadNextW(host, host, path.c_str(), 0), 1);
    EXPECT_EQ(loadNext(host, nullptr, ToAnsi(path).c_str(), 0), 1);
    HWND viewer = Load(path, 0);
    EXPECT_EQ(loadNextW(host, viewer, nullptr, 0), 1);
    EXPECT_EQ(loadNext(host, viewer, nullptr, 0), 1);
    EXPECT_EQ(Capture(viewer).At(0, 0), picture.ColourAt(0, 0));
    closeWindow(nullptr);
    Close(viewer);
}

namespace {

WNDPROC g_viewerProcedure = nullptr;
LRESULT CALLBACK HostSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(g_viewerProcedure, window, message, wParam, lParam);
}

}  // namespace

TEST_F(ViewerLoad, ViewerSubclassedByTheHostStillTakesItsCalls)
{
    HWND viewer = LoadPicture(picture, 0);
    g_viewerProcedure =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostSubclass)));
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagCenter), 0);
    EXPECT_TRUE(DrawnCentred(viewer));
    EXPECT_EQ(loadNextW(host, viewer, PictureDocument(picture, L"b.SLDPRT").c_str(), 0), 0);
    EXPECT_FALSE(DrawnCentred(viewer));
    Close(viewer);
}

TEST_F(ViewerLoad, WindowOfTheViewerClassWithoutARecordIsRefusedAndCanBeClosed)
{
    HWND viewer = LoadPicture(picture, 0);  // registers the class
    HWND bare = CreateWindowExW(0, L"Corvelle", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, host, nullptr,
                                plugin.Module(), nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(sendCommand(bare, kCommandNewParameters, 0), 1);
    EXPECT_EQ(loadNextW(host, bare, PictureDocument(picture, L"b.SLDPRT").c_str(), 0), 1);
    SendMessageW(bare, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    SendMessageW(bare, UpdateScrollbarsMessage, 0, 0);
    InvalidateRect(bare, nullptr, FALSE);
    UpdateWindow(bare);
    EXPECT_FALSE(GetUpdateRect(bare, nullptr, FALSE));  // the paint was begun and ended
    Close(bare);
    EXPECT_FALSE(IsWindow(bare));
    EXPECT_TRUE(IsWindow(viewer));
    Close(viewer);
}

TEST_F(ViewerLoad, AnsiTwinsOpenAndReloadTheSameDocuments)
{
    HWND viewer = load(host, ToAnsi(PictureDocument(picture)).c_str(), kShowFlagCenter);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(DrawnCentred(viewer));
    EXPECT_EQ(loadNext(host, viewer, ToAnsi(PictureDocument(picture, L"b.SLDPRT")).c_str(), 0), 0);
    EXPECT_FALSE(DrawnCentred(viewer));
    Close(viewer);
}

TEST_F(ViewerLoad, PathsLongerThan1023CharactersKeepTheirFirst1023)
{
    // "." segments make a long path to a real document; what follows the
    // 1023rd character must not matter.
    const std::wstring document = PictureDocument(picture);
    const std::wstring directory = folder.Path() + L"\\";
    std::wstring path = directory;
    while (path.size() + 2 + std::wstring(L"part.SLDPRT").size() <= 1023)
        path += L".\\";
    path += std::wstring(1023 - path.size() - 11, L'\\') + L"part.SLDPRT";
    ASSERT_EQ(path.size(), 1023u);
    HWND viewer = Load(path + L"garbage beyond the limit", 0);
    ASSERT_NE(viewer, nullptr);
    Close(viewer);
    viewer = load(host, ToAnsi(path + std::wstring(2000, L'x')).c_str(), 0);
    ASSERT_NE(viewer, nullptr);
    Close(viewer);
}
