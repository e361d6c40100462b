// Copying the shown picture to the clipboard, new options, and the graphics
// objects that the viewer creates and releases.
#include "base/version.h"
#include "viewer_host.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

class ViewerCommands : public ViewerTest {
protected:
    const IndexedPicture picture = MakeBlockPicture(120, 90, 10);
};

}  // namespace

TEST_F(ViewerCommands, CopyPutsAnIndependentBitmapOfThePictureOnTheClipboard)
{
    HWND viewer = LoadPicture(picture, 0);
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ExpectClipboardHolds(picture);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(CountClipboardFormats() >= 1, true);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    CloseClipboard();

    Close(viewer);
    ExpectClipboardHolds(picture);  // intact after the viewer is gone
}

TEST_F(ViewerCommands, ViewerKeepsItsPictureWhenAnotherProgramEmptiesTheClipboard)
{
    HWND viewer = LoadPicture(picture, 0);
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    EmptyClipboardAsAnotherProgram();
    InvalidateRect(viewer, nullptr, FALSE);
    const Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(5, 5), picture.ColourAt(5, 5));
    EXPECT_EQ(shot.At(119, 89), picture.ColourAt(119, 89));
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ExpectClipboardHolds(picture);
    Close(viewer);
}

TEST_F(ViewerCommands, UnknownCommandsAndMissingViewersAreRefused)
{
    HWND viewer = LoadPicture(picture, 0);
    for (int command : {0, 3, -1})
        EXPECT_EQ(sendCommand(viewer, command, 0), 1) << command;
    EXPECT_EQ(sendCommand(nullptr, kCommandCopy, 0), 1);
    EXPECT_EQ(sendCommand(host, kCommandNewParameters, 0), 1);
    Close(viewer);
}

TEST_F(ViewerCommands, NewOptionsReLayThePictureAtOnce)
{
    HWND viewer = LoadPicture(picture, 0);
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit | kShowFlagFitLargerOnly | kShowFlagCenter), 0);
    EXPECT_EQ(Capture(viewer).At(140, 105), picture.ColourAt(0, 0));
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    EXPECT_EQ(Capture(viewer).At(399, 299), picture.ColourAt(119, 89));
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);
    const Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(0, 0), picture.ColourAt(0, 0));
    EXPECT_EQ(shot.At(120, 0), kBackgroundPixel);
    Close(viewer);
}

namespace {

DWORD g_failureCode = 0;
int g_setClipboardCalls = 0;
int g_closeClipboardCalls = 0;

BOOL WINAPI FailOpenClipboard(HWND)
{
    SetLastError(g_failureCode);
    return FALSE;
}

BOOL WINAPI FailEmptyClipboard()
{
    SetLastError(g_failureCode);
    return FALSE;
}

HANDLE WINAPI RefuseClipboardData(UINT, HANDLE)
{
    ++g_setClipboardCalls;
    SetLastError(g_failureCode);
    return nullptr;
}

HANDLE WINAPI CountSetClipboardData(UINT format, HANDLE data)
{
    ++g_setClipboardCalls;
    return SetClipboardData(format, data);
}

BOOL WINAPI FailCloseClipboard()
{
    ++g_closeClipboardCalls;
    CloseClipboard();
    SetLastError(g_failureCode);
    return FALSE;
}

BOOL WINAPI CountCloseClipboard()
{
    ++g_closeClipboardCalls;
    return CloseClipboard();
}

HBITMAP WINAPI NoBitmap(const BITMAP*)
{
    return nullptr;
}

HDC WINAPI NoMemoryDc(HDC)
{
    return nullptr;
}

BOOL WINAPI FailBitBlt(HDC, int, int, int, int, HDC, int, int, DWORD)
{
    return FALSE;
}

int WINAPI FailGetObject(HANDLE, int, void*)
{
    return 0;
}

// The order of the calls that end a refused copy, and the owner it opened
// the clipboard with.
std::string g_clipboardEvents;
HWND g_clipboardOwner = nullptr;

BOOL WINAPI RecordOpenClipboard(HWND owner)
{
    g_clipboardOwner = owner;
    return OpenClipboard(owner);
}

BOOL WINAPI RecordCloseClipboard()
{
    g_clipboardEvents += "close;";
    return CloseClipboard();
}

int g_deletedBitmaps = 0;
BOOL WINAPI CountDeletedBitmaps(HGDIOBJ object)
{
    if (GetObjectType(object) == OBJ_BITMAP) {
        ++g_deletedBitmaps;
        g_clipboardEvents += "delete bitmap;";
    }
    return DeleteObject(object);
}

class ClipboardFailures : public ViewerCommands {
protected:
    ClipboardFailures()
    {
        WriteSettings("Debug=1");
        g_failureCode = ERROR_ACCESS_DENIED;
        g_setClipboardCalls = 0;
        g_closeClipboardCalls = 0;
        viewer = LoadPicture(picture, 0);
        plugin.ClearBoxes();
    }
    ~ClipboardFailures() override { Close(viewer); }

    void ExpectOneWarning(const std::wstring& operation)
    {
        ASSERT_EQ(plugin.Boxes().size(), 1u);
        EXPECT_EQ(plugin.Boxes()[0].text, operation + L" failed with error 5: " + SystemText(ERROR_ACCESS_DENIED));
        EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(plugin.Boxes()[0].title, L"Corvelle " CORVELLE_VERSION);
    }

    HWND viewer = nullptr;
};

}  // namespace

TEST_F(ClipboardFailures, ClipboardThatCannotBeOpenedWarnsWithTheFailedCallsCode)
{
    ImportPatch patch(plugin.Module(), "user32.dll", "OpenClipboard",
                      reinterpret_cast<const void*>(&FailOpenClipboard));
    ASSERT_TRUE(patch.Applied());
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1);
    // The settings lookup between the failure and the report keeps the code.
    ExpectOneWarning(L"OpenClipboard");
}

TEST_F(ClipboardFailures, ClipboardThatCannotBeEmptiedIsClosedAgain)
{
    ImportPatch empty(plugin.Module(), "user32.dll", "EmptyClipboard",
                      reinterpret_cast<const void*>(&FailEmptyClipboard));
    ImportPatch close(plugin.Module(), "user32.dll", "CloseClipboard",
                      reinterpret_cast<const void*>(&CountCloseClipboard));
    ASSERT_TRUE(empty.Applied());
    ASSERT_TRUE(close.Applied());
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1);
    ExpectOneWarning(L"EmptyClipboard");
    EXPECT_EQ(g_closeClipboardCalls, 1);
}

// The refused duplicate is reported, deleted, and only then is the clipboard
// closed; the clipboard was opened with the viewer as its owner, without
// which the platform may refuse the data after EmptyClipboard.
TEST_F(ClipboardFailures, RefusedBitmapIsReportedAndDeletedBeforeTheClipboardIsClosed)
{
    ImportPatch patch(plugin.Module(), "user32.dll", "SetClipboardData",
                      reinterpret_cast<const void*>(&RefuseClipboardData));
    ImportPatch deletion(plugin.Module(), "gdi32.dll", "DeleteObject",
                         reinterpret_cast<const void*>(&CountDeletedBitmaps));
    ImportPatch open(plugin.Module(), "user32.dll", "OpenClipboard",
                     reinterpret_cast<const void*>(&RecordOpenClipboard));
    ImportPatch close(plugin.Module(), "user32.dll", "CloseClipboard",
                      reinterpret_cast<const void*>(&RecordCloseClipboard));
    ASSERT_TRUE(patch.Applied() && deletion.Applied() && open.Applied() && close.Applied());
    g_deletedBitmaps = 0;
    g_clipboardEvents.clear();
    g_clipboardOwner = nullptr;
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1);
    ExpectOneWarning(L"SetClipboardData");
    EXPECT_EQ(g_setClipboardCalls, 1);
    EXPECT_EQ(g_deletedBitmaps, 1);
    EXPECT_EQ(g_clipboardEvents, "delete bitmap;close;");
    EXPECT_EQ(g_clipboardOwner, viewer);
}

TEST_F(ClipboardFailures, FailedCloseAfterAPlacedPictureStillSucceeds)
{
    ImportPatch patch(plugin.Module(), "user32.dll", "CloseClipboard",
                      reinterpret_cast<const void*>(&FailCloseClipboard));
    ASSERT_TRUE(patch.Applied());
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ExpectOneWarning(L"CloseClipboard");
    ExpectClipboardHolds(picture);
}

TEST_F(ClipboardFailures, WithDebugOffFailuresAreSilent)
{
    WriteSettings("Debug=0");
    ImportPatch patch(plugin.Module(), "user32.dll", "OpenClipboard",
                      reinterpret_cast<const void*>(&FailOpenClipboard));
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1);
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(ClipboardFailures, FailureWithoutAnErrorCodeShowsNothing)
{
    g_failureCode = 0;
    ImportPatch patch(plugin.Module(), "user32.dll", "OpenClipboard",
                      reinterpret_cast<const void*>(&FailOpenClipboard));
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1);
    EXPECT_TRUE(plugin.Boxes().empty());
}

// Nothing to offer: the clipboard is not even opened, so what the user had
// put there stays.
TEST_F(ClipboardFailures, DuplicateThatCannotBeMadeLeavesTheUsersClipboardAlone)
{
    const wchar_t kUsersText[] = L"the user's own text";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, sizeof kUsersText);
    ASSERT_NE(text, nullptr);
    memcpy(GlobalLock(text), kUsersText, sizeof kUsersText);
    GlobalUnlock(text);
    ASSERT_NE(SetClipboardData(CF_UNICODETEXT, text), nullptr);
    CloseClipboard();

    struct FailedStep {
        const char* dll;
        const char* function;
        const void* replacement;
    };
    const FailedStep steps[] = {
        {"gdi32.dll", "GetObjectW", reinterpret_cast<const void*>(&FailGetObject)},
        {"gdi32.dll", "CreateBitmapIndirect", reinterpret_cast<const void*>(&NoBitmap)},
        {"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<const void*>(&NoMemoryDc)},
        {"gdi32.dll", "BitBlt", reinterpret_cast<const void*>(&FailBitBlt)},
    };
    ImportPatch set(plugin.Module(), "user32.dll", "SetClipboardData",
                    reinterpret_cast<const void*>(&CountSetClipboardData));
    ImportPatch close(plugin.Module(), "user32.dll", "CloseClipboard",
                      reinterpret_cast<const void*>(&CountCloseClipboard));
    for (const FailedStep& step : steps) {
        ImportPatch failure(plugin.Module(), step.dll, step.function, step.replacement);
        ASSERT_TRUE(failure.Applied()) << step.function;
        EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 1) << step.function;
        EXPECT_EQ(g_setClipboardCalls, 0) << step.function;
        EXPECT_EQ(g_closeClipboardCalls, 0) << step.function;

        ASSERT_TRUE(OpenClipboard(nullptr));
        HANDLE held = GetClipboardData(CF_UNICODETEXT);
        const auto* heldText = held != nullptr ? static_cast<const wchar_t*>(GlobalLock(held)) : nullptr;
        EXPECT_EQ(std::wstring(heldText != nullptr ? heldText : L"<no text>"), kUsersText) << step.function;
        if (heldText != nullptr)
            GlobalUnlock(held);
        CloseClipboard();
    }
}

namespace {

// Graphics objects and device contexts that the plugin creates and releases,
// counted at its import table.
int g_created = 0;
int g_released = 0;
int g_givenToClipboard = 0;

HBRUSH WINAPI CountCreateSolidBrush(COLORREF colour)
{
    HBRUSH r = CreateSolidBrush(colour);
    g_created += r != nullptr;
    return r;
}
HBITMAP WINAPI CountCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                   const BITMAPINFO* info, UINT usage)
{
    HBITMAP r = CreateDIBitmap(dc, header, init, bits, info, usage);
    g_created += r != nullptr;
    return r;
}
HBITMAP WINAPI CountCreateBitmapIndirect(const BITMAP* description)
{
    HBITMAP r = CreateBitmapIndirect(description);
    g_created += r != nullptr;
    return r;
}
HFONT WINAPI CountCreateFontIndirect(const LOGFONTW* look)
{
    HFONT r = CreateFontIndirectW(look);
    g_created += r != nullptr;
    return r;
}
HDC WINAPI CountCreateCompatibleDC(HDC dc)
{
    HDC r = CreateCompatibleDC(dc);
    g_created += r != nullptr;
    return r;
}
BOOL WINAPI CountDeleteObject(HGDIOBJ object)
{
    BOOL r = DeleteObject(object);
    g_released += r != FALSE;
    return r;
}
BOOL WINAPI CountDeleteDC(HDC dc)
{
    BOOL r = DeleteDC(dc);
    g_released += r != FALSE;
    return r;
}
HANDLE WINAPI CountClipboardBitmap(UINT format, HANDLE data)
{
    HANDLE r = SetClipboardData(format, data);
    g_givenToClipboard += r != nullptr;
    return r;
}

}  // namespace

TEST_F(ViewerCommands, NothingCreatedIsLeftBehindAfterClose)
{
    HMODULE module = plugin.Module();
    ImportPatch patches[] = {
        {module, "gdi32.dll", "CreateSolidBrush", reinterpret_cast<const void*>(&CountCreateSolidBrush)},
        {module, "gdi32.dll", "CreateDIBitmap", reinterpret_cast<const void*>(&CountCreateDIBitmap)},
        {module, "gdi32.dll", "CreateBitmapIndirect", reinterpret_cast<const void*>(&CountCreateBitmapIndirect)},
        {module, "gdi32.dll", "CreateCompatibleDC", reinterpret_cast<const void*>(&CountCreateCompatibleDC)},
        {module, "gdi32.dll", "CreateFontIndirectW", reinterpret_cast<const void*>(&CountCreateFontIndirect)},
        {module, "gdi32.dll", "DeleteObject", reinterpret_cast<const void*>(&CountDeleteObject)},
        {module, "gdi32.dll", "DeleteDC", reinterpret_cast<const void*>(&CountDeleteDC)},
        {module, "user32.dll", "SetClipboardData", reinterpret_cast<const void*>(&CountClipboardBitmap)},
    };
    for (const ImportPatch& patch : patches)
        ASSERT_TRUE(patch.Applied());
    g_created = g_released = g_givenToClipboard = 0;

    WriteCompoundFile(folder.File(L"nopreview.SLDPRT"), {{L"Contents", {1}}});
    const std::wstring large = PictureDocument(QuadrantPicture(700, 500), L"large.SLDPRT");
    const std::wstring small = PictureDocument(picture, L"small.SLDPRT");
    for (int cycle = 0; cycle < 20; ++cycle) {
        HWND viewer = Load(cycle % 2 ? large : small, cycle % 3 == 0 ? kShowFlagFit : kShowFlagCenter);
        ASSERT_NE(viewer, nullptr);
        Capture(viewer);
        EXPECT_EQ(loadNextW(host, viewer, large.c_str(), kShowFlagFit | kShowFlagFitLargerOnly | kShowFlagCenter), 0);
        Capture(viewer);
        SendMessageW(viewer, WM_VSCROLL, SB_PAGEDOWN, 0);
        EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
        EXPECT_EQ(loadNextW(host, viewer, folder.File(L"nopreview.SLDPRT").c_str(), 0), 1);
        Capture(viewer);
        EXPECT_EQ(loadNextW(host, viewer, small.c_str(), kShowFlagFit), 0);
        Capture(viewer);
        Close(viewer);
        EXPECT_EQ(Load(folder.File(L"nopreview.SLDPRT"), 0), nullptr);
    }
    EXPECT_GT(g_created, 200);
    EXPECT_EQ(g_givenToClipboard, 20);
    EXPECT_EQ(g_created - g_released - g_givenToClipboard, 0);
}
