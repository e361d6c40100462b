// A minimal host for trying the plugin by hand: it loads corvelle.dll from
// beside itself, opens a document in a window as the file manager would, and
// either runs until the window is closed or writes a screenshot and exits.
//
//   corvelle_view DOCUMENT [SHOWFLAGS] [--screenshot FILE.bmp] [--command N PARAMETER]

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using ListSetDefaultParamsFunction = void(__stdcall*)(const void*);
using ListLoadWFunction = HWND(__stdcall*)(HWND, const wchar_t*, int);
using ListCloseWindowFunction = void(__stdcall*)(HWND);
using ListSendCommandFunction = int(__stdcall*)(HWND, int, int);

const wchar_t kHostClass[] = L"CorvelleViewHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE) {
        // Keep the viewer covering the client area, as a host does.
        if (HWND viewer = GetWindow(window, GW_CHILD))
            MoveWindow(viewer, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring Beside(const wchar_t* name)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

bool WriteScreenshot(HWND window, const wchar_t* path)
{
    RECT client = {};
    GetClientRect(window, &client);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = client.right;
    header.biHeight = client.bottom;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::vector<unsigned char> pixels(static_cast<size_t>(client.right) * client.bottom * 4);
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, client.right, client.bottom);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, windowDc, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    GetDIBits(memory, bitmap, 0, client.bottom, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    FILE* out = _wfopen(path, L"wb");
    if (out == nullptr)
        return false;
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(pixels.data(), 1, pixels.size(), out);
    fclose(out);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: corvelle_view DOCUMENT [SHOWFLAGS] [--screenshot FILE.bmp] [--command N PARAMETER]\n");
        return 2;
    }
    int showFlags = argc > 2 && argv[2][0] != L'-' ? static_cast<int>(std::wcstol(argv[2], nullptr, 0)) : 0;
    const wchar_t* screenshot = nullptr;
    std::vector<std::pair<int, int>> commands;
    for (int i = 2; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
        else if (std::wcscmp(argv[i], L"--command") == 0 && i + 2 < argc) {
            commands.emplace_back(std::wcstol(argv[i + 1], nullptr, 0), std::wcstol(argv[i + 2], nullptr, 0));
            i += 2;
        }
    }

    HMODULE plugin = LoadLibraryW(Beside(L"corvelle.dll").c_str());
    if (plugin == nullptr) {
        std::fwprintf(stderr, L"cannot load corvelle.dll beside this program\n");
        return 1;
    }
    auto setDefaultParams = reinterpret_cast<ListSetDefaultParamsFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "ListSetDefaultParams")));
    auto loadW = reinterpret_cast<ListLoadWFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "ListLoadW")));
    auto closeWindow = reinterpret_cast<ListCloseWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "ListCloseWindow")));
    auto sendCommand = reinterpret_cast<ListSendCommandFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "ListSendCommand")));

    // The host's own settings file lives beside this program.
    struct {
        int unused[3];
        char path[MAX_PATH];
    } parameters = {};
    GetModuleFileNameA(nullptr, parameters.path, MAX_PATH);
    setDefaultParams(&parameters);

    WNDCLASSEXW hostClass = {};
    hostClass.cbSize = sizeof hostClass;
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    hostClass.lpszClassName = kHostClass;
    RegisterClassExW(&hostClass);
    HWND host = CreateWindowExW(0, kHostClass, argv[1], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 820, 640, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND viewer = loadW(host, argv[1], showFlags);
    if (viewer == nullptr) {
        std::fwprintf(stderr, L"no preview in %ls\n", argv[1]);
        DestroyWindow(host);
        return 1;
    }
    for (const auto& command : commands)
        std::fwprintf(stderr, L"command %d %d: %d\n", command.first, command.second,
                      sendCommand(viewer, command.first, command.second));

    int status = 0;
    if (screenshot != nullptr) {
        UpdateWindow(viewer);
        status = WriteScreenshot(host, screenshot) ? 0 : 1;
    } else {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    closeWindow(viewer);
    if (IsWindow(host))
        DestroyWindow(host);
    FreeLibrary(plugin);
    return status;
}
