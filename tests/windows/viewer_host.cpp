#include "viewer_host.h"

#include <commctrl.h>

int g_hostWheelMessages = 0;

namespace {

const wchar_t kHostClass[] = L"CorvelleTestHost";

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEWHEEL)
        ++g_hostWheelMessages;
    return DefWindowProcW(window, message, wParam, lParam);
}

// One host window for the whole test process: destroying a top-level
// window without a window manager costs seconds under Wine.
HWND SharedHostWindow()
{
    static HWND window = nullptr;
    if (window != nullptr && IsWindow(window))
        return window;
    WNDCLASSEXW hostClass = {};
    hostClass.cbSize = sizeof hostClass;
    hostClass.lpfnWndProc = HostWindowProc;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.lpszClassName = kHostClass;
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassExW(&hostClass);
    window = CreateWindowExW(0, kHostClass, L"host", WS_POPUP | WS_VISIBLE, 0, 0, kHostWidth, kHostHeight, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    return window;
}

}  // namespace

IndexedPicture QuadrantPicture(int width, int height)
{
    IndexedPicture picture = MakeBlockPicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.indices[static_cast<size_t>(y) * width + x] =
                static_cast<std::uint8_t>(1 + (y * 2 / height) * 2 + x * 2 / width);
    return picture;
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

ViewerTest::ViewerTest()
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting));
    host = SharedHostWindow();
    g_hostWheelMessages = 0;
    HostMessages(WM_COMMAND);
}

ViewerTest::~ViewerTest()
{
    // No viewer may outlive its test.
    while (HWND child = GetWindow(host, GW_CHILD))
        DestroyWindow(child);
    HostMessages(WM_COMMAND);
    // The plugin is unloaded after this; its class must go with it.
    UnregisterClassW(L"Corvelle", plugin.Module());
}

void ViewerTest::WriteSettings(const std::string& keys)
{
    WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\n" + keys + "\r\n");
}

HWND ViewerTest::Load(const std::wstring& path, int showFlags)
{
    return loadW(host, path.c_str(), showFlags);
}

std::wstring ViewerTest::PictureDocument(const IndexedPicture& picture, const std::wstring& name)
{
    return Document(Rle8Block(picture), name);
}

HWND ViewerTest::LoadPicture(const IndexedPicture& picture, int showFlags, const std::wstring& name)
{
    return Load(PictureDocument(picture, name), showFlags);
}

void ViewerTest::Close(HWND viewer)
{
    closeWindow(viewer);
}

Screenshot ViewerTest::Capture(HWND viewer)
{
    UpdateWindow(viewer);
    const RECT client = ClientRect(viewer);
    Screenshot shot;
    shot.width = client.right;
    shot.height = client.bottom;
    if (shot.width <= 0 || shot.height <= 0)
        return shot;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(viewer);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(pixels, pixels + static_cast<size_t>(shot.width) * shot.height);
    for (std::uint32_t& pixel : shot.pixels)
        pixel &= 0x00FFFFFF;
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(viewer, screen);
    return shot;
}

ScrollBarState ViewerTest::Bar(HWND viewer, int bar)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(viewer, bar, &info);
    const LONG style = GetWindowLongW(viewer, GWL_STYLE);
    const bool visible = (style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
    return {visible, info.nMin, info.nMax, info.nPage, info.nPos};
}

RECT ViewerTest::ClientRect(HWND viewer)
{
    RECT client = {};
    GetClientRect(viewer, &client);
    return client;
}

std::vector<MSG> ViewerTest::HostMessages(UINT message)
{
    std::vector<MSG> messages;
    MSG msg;
    while (PeekMessageW(&msg, host, message, message, PM_REMOVE))
        messages.push_back(msg);
    return messages;
}

void DispatchPosted(HWND window)
{
    MSG msg;
    while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

void ExpectClipboardHolds(const IndexedPicture& picture)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    ExpectPixelsEqual(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), picture);
    CloseClipboard();
}

namespace {

constexpr wchar_t kViewerProcedureProperty[] = L"CorvelleTestViewerProcedure";

LRESULT CALLBACK ForwardUnusedKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto procedure = reinterpret_cast<WNDPROC>(GetPropW(window, kViewerProcedureProperty));
    const LRESULT result = CallWindowProcW(procedure, window, message, wParam, lParam);
    if (result == 0 && message == WM_KEYDOWN)
        PostMessageW(GetParent(window), message, wParam, lParam);
    return result;
}

}  // namespace

FileManagerSubclass::FileManagerSubclass(HWND viewer) : viewer_(viewer)
{
    const LONG_PTR procedure = GetWindowLongPtrW(viewer, GWLP_WNDPROC);
    SetPropW(viewer, kViewerProcedureProperty, reinterpret_cast<HANDLE>(procedure));
    SetWindowLongPtrW(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForwardUnusedKeys));
}

FileManagerSubclass::~FileManagerSubclass()
{
    if (!IsWindow(viewer_))
        return;
    SetWindowLongPtrW(viewer_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropW(viewer_, kViewerProcedureProperty)));
    RemovePropW(viewer_, kViewerProcedureProperty);
}
