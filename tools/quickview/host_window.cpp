#include "host_window.h"

#include "png_file.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t kHostClass[] = L"QuickviewHost";

// The one host window of this program and what it shows.
struct HostState {
    const PluginLibrary* plugin = nullptr;
    const std::vector<std::wstring>* files = nullptr;
    HWND host = nullptr;
    HWND viewer = nullptr;
    std::size_t index = 0;
    int showFlags = 0;
    bool loaded = false;  // whether the current document's picture is shown
};
HostState g_state;

void UpdateTitle()
{
    const std::wstring& path = (*g_state.files)[g_state.index];
    std::wstring title = L"quickview - " + path.substr(path.find_last_of(L"\\/") + 1) + L" (" +
                         std::to_wstring(g_state.index + 1) + L"/" + std::to_wstring(g_state.files->size()) + L")";
    if (!g_state.loaded)
        title += L" - no preview";
    if (g_state.showFlags & kShowFlagFit)
        title += (g_state.showFlags & kShowFlagFitLargerOnly) ? L" [fit larger]" : L" [fit]";
    if (g_state.showFlags & kShowFlagCenter)
        title += L" [centre]";
    if (g_state.showFlags & kShowFlagDarkHost)
        title += L" [dark]";
    SetWindowTextW(g_state.host, title.c_str());
}

void ShowDocument(std::size_t index)
{
    g_state.index = index;
    const wchar_t* path = (*g_state.files)[index].c_str();
    if (g_state.viewer == nullptr) {
        g_state.viewer = g_state.plugin->loadW(g_state.host, path, g_state.showFlags);
        g_state.loaded = g_state.viewer != nullptr;
        // As the file manager does: the viewer's own keys (arrows, pages)
        // reach it; quickview's keys are taken from the queue first.
        if (g_state.viewer != nullptr)
            SetFocus(g_state.viewer);
    } else {
        g_state.loaded = g_state.plugin->loadNextW(g_state.host, g_state.viewer, path, g_state.showFlags) == 0;
    }
    UpdateTitle();
}

void ToggleOption(int flag)
{
    g_state.showFlags ^= flag;
    if (g_state.viewer != nullptr)
        g_state.plugin->sendCommand(g_state.viewer, kCommandNewParameters, g_state.showFlags);
    UpdateTitle();
}

void Print()
{
    if (g_state.viewer == nullptr)
        return;
    // The file manager's default margins: 20 mm each, in tenths of a
    // millimetre as hosts send them.
    const PrintMargins margins = {200, 200, 200, 200};
    const int status =
        g_state.plugin->printW(g_state.viewer, (*g_state.files)[g_state.index].c_str(), nullptr, 0, &margins);
    std::fprintf(stderr, status == 0 ? "printed on the default printer\n" : "printing failed\n");
}

// quickview's own keys, wherever the focus is but in a control inside the
// viewer (its information panel): that one takes its keys first, and hands
// those it has no use for to the viewer, where they are looked for here.
// True when the key was used.
bool HandleKey(const MSG& message)
{
    if (message.message != WM_KEYDOWN)
        return false;
    if (g_state.viewer != nullptr && message.hwnd != g_state.viewer && IsChild(g_state.viewer, message.hwnd))
        return false;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const std::size_t count = g_state.files->size();
    switch (message.wParam) {
    case VK_SPACE:
    case 'N':
        ShowDocument((g_state.index + 1) % count);
        return true;
    case 'P':
        if (control)
            Print();
        else
            ShowDocument((g_state.index + count - 1) % count);
        return true;
    case 'F':
        ToggleOption(kShowFlagFit);
        return true;
    case 'L':
        ToggleOption(kShowFlagFitLargerOnly);
        return true;
    case 'C':
        if (control) {
            if (g_state.viewer != nullptr)
                std::fprintf(stderr, g_state.plugin->sendCommand(g_state.viewer, kCommandCopy, 0) == 0
                                         ? "copied to the clipboard\n"
                                         : "copying failed\n");
        } else {
            ToggleOption(kShowFlagCenter);
        }
        return true;
    case VK_ESCAPE:
        DestroyWindow(g_state.host);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        // The viewer covers the client area, as in the file manager.
        if (g_state.viewer != nullptr)
            MoveWindow(g_state.viewer, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_COMMAND:
        // The plugin hands over the centre option that its settings asked
        // for, and says when a zoom took the picture out of fit.
        if (HIWORD(wParam) == kCenterHandOverCode || HIWORD(wParam) == kFitOptionCode) {
            const int flag = HIWORD(wParam) == kCenterHandOverCode ? kShowFlagCenter : kShowFlagFit;
            g_state.showFlags = LOWORD(wParam) != 0 ? g_state.showFlags | flag : g_state.showFlags & ~flag;
            if (g_state.files != nullptr)
                UpdateTitle();
            return 0;
        }
        break;
    case WM_DESTROY:
        if (g_state.viewer != nullptr)
            g_state.plugin->closeWindow(g_state.viewer);
        g_state.viewer = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateHostWindow(DWORD style, int clientWidth, int clientHeight)
{
    WNDCLASSEXW hostClass = {};
    hostClass.cbSize = sizeof hostClass;
    hostClass.lpfnWndProc = HostWindowProc;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    hostClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    hostClass.lpszClassName = kHostClass;
    RegisterClassExW(&hostClass);
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    return CreateWindowExW(0, kHostClass, L"quickview", style, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                           nullptr, nullptr, hostClass.hInstance, nullptr);
}

bool OpenHostWindow(DWORD style, const QuickviewOptions& options)
{
    g_state.host = CreateHostWindow(style, options.windowWidth, options.windowHeight);
    if (g_state.host == nullptr) {
        std::fprintf(stderr, "cannot create a window (error %lu)\n", GetLastError());
        return false;
    }
    ShowWindow(g_state.host, SW_SHOW);
    return true;
}

void DispatchPending()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The window's client area as it is on screen, in a new bitmap.
HBITMAP CaptureClientArea(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    HDC windowDc = GetDC(window);
    if (windowDc == nullptr)
        return nullptr;
    HDC memory = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, client.right, client.bottom);
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, client.right, client.bottom, windowDc, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
    }
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(window, windowDc);
    return bitmap;
}

// Brings the drawing's sheet up as a user would: Ctrl+Page Down or Up, one
// sheet a press, from the one its tabs show. False when it has no such sheet.
bool ChooseSheet(HWND viewer, int sheet)
{
    HWND tabs = FindWindowExW(viewer, nullptr, WC_TABCONTROLW, nullptr);
    const int count = tabs != nullptr ? static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) : 1;
    if (sheet >= count)
        return false;
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] |= 0x80;
    SetKeyboardState(keys);
    for (int shown = tabs != nullptr ? static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) : 0; shown != sheet;
         shown += shown < sheet ? 1 : -1)
        SendMessageW(viewer, WM_KEYDOWN, shown < sheet ? VK_NEXT : VK_PRIOR, 0);
    keys[VK_CONTROL] &= 0x7F;
    SetKeyboardState(keys);
    return true;
}

}  // namespace

int RunViewer(const PluginLibrary& plugin, const QuickviewOptions& options)
{
    g_state = HostState();
    g_state.plugin = &plugin;
    g_state.files = &options.files;
    g_state.showFlags = options.showFlags;
    if (!OpenHostWindow(WS_OVERLAPPEDWINDOW, options))
        return 1;
    ShowDocument(0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (HandleKey(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

int TakeScreenshot(const PluginLibrary& plugin, const QuickviewOptions& options)
{
    g_state = HostState();
    g_state.plugin = &plugin;
    g_state.showFlags = options.showFlags;
    if (!OpenHostWindow(WS_POPUP, options))
        return 1;
    const std::wstring& path = options.files.front();
    g_state.viewer = plugin.loadW(g_state.host, path.c_str(), options.showFlags);
    int status = 1;
    if (g_state.viewer == nullptr) {
        std::fprintf(stderr, "no preview picture in %ls\n", path.c_str());
    } else if (options.sheet >= 0 && !ChooseSheet(g_state.viewer, options.sheet)) {
        std::fprintf(stderr, "%ls has no sheet %d\n", path.c_str(), options.sheet);
    } else {
        DispatchPending();
        RedrawWindow(g_state.host, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        HBITMAP shot = CaptureClientArea(g_state.host);
        const HRESULT result = shot != nullptr ? WritePng(shot, options.output.c_str()) : E_OUTOFMEMORY;
        if (shot != nullptr)
            DeleteObject(shot);
        if (SUCCEEDED(result)) {
            std::printf("written %ls (%dx%d)\n", options.output.c_str(), options.windowWidth, options.windowHeight);
            status = 0;
        } else {
            std::fprintf(stderr, "cannot write %ls (0x%08lX)\n", options.output.c_str(),
                         static_cast<unsigned long>(result));
        }
    }
    DestroyWindow(g_state.host);
    DispatchPending();
    return status;
}
