// Times what a user waits for: reading a preview, a thumbnail, opening,
// reloading and copying in a viewer; and checks that many open/close cycles
// leave the process no bigger. Prints a Markdown table.
//
//   corvelle_benchmarks [--write-sample FILE]

#include "compound_file.h"
#include "dib_fixture.h"
#include "plugin_exports.h"
#include "plugin_host.h"

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>

namespace {

using ListLoadWFunction = HWND(__stdcall*)(HWND, const wchar_t*, int);
using ListLoadNextWFunction = int(__stdcall*)(HWND, HWND, const wchar_t*, int);
using ListCloseWindowFunction = void(__stdcall*)(HWND);
using ListSendCommandFunction = int(__stdcall*)(HWND, int, int);

double MillisecondsPerCall(int calls, const std::function<void()>& call)
{
    call();  // warm up
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
        call();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / calls;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

void Row(const char* what, double milliseconds)
{
    std::printf("| %s | %.3f ms |\n", what, milliseconds);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const IndexedPicture picture = MakeBlockPicture(756, 494);
    if (argc == 3 && std::wcscmp(argv[1], L"--write-sample") == 0) {
        WriteDocument(argv[2], Rle8Block(picture));
        return 0;
    }

    TempFolder folder;
    LoadedPlugin plugin(folder.Path());
    plugin.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    const std::wstring document = folder.File(L"sample.SLDPRT");
    const std::wstring large = folder.File(L"large.SLDPRT");
    WriteDocument(document, Rle8Block(picture));
    WriteDocument(large, Rle8Block(MakeBlockPicture(2000, 1500, 40)));

    auto thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW");
    auto loadW = plugin.Export<ListLoadWFunction>("ListLoadW");
    auto loadNextW = plugin.Export<ListLoadNextWFunction>("ListLoadNextW");
    auto closeWindow = plugin.Export<ListCloseWindowFunction>("ListCloseWindow");
    auto sendCommand = plugin.Export<ListSendCommandFunction>("ListSendCommand");

    WNDCLASSEXW hostClass = {};
    hostClass.cbSize = sizeof hostClass;
    hostClass.lpfnWndProc = DefWindowProcW;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.lpszClassName = L"CorvelleBenchmarkHost";
    RegisterClassExW(&hostClass);
    HWND host = CreateWindowExW(0, hostClass.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);

    // Let the platform settle its own caches before anything is timed.
    MillisecondsPerCall(100, [&] { DeleteObject(thumbnail(document.c_str(), 96, 96, nullptr, 0)); });
    std::printf("| operation | time per call |\n|---|---|\n");
    Row("read a 756 x 494 RLE8 preview", MillisecondsPerCall(200, [&] {
            DeleteObject(thumbnail(document.c_str(), 1 << 20, 1 << 20, nullptr, 0));
        }));
    Row("read a 2000 x 1500 RLE8 preview", MillisecondsPerCall(50, [&] {
            DeleteObject(thumbnail(large.c_str(), 1 << 20, 1 << 20, nullptr, 0));
        }));
    Row("96 x 96 thumbnail of the 756 x 494 preview", MillisecondsPerCall(200, [&] {
            DeleteObject(thumbnail(document.c_str(), 96, 96, nullptr, 0));
        }));
    Row("open a viewer (natural size), paint, close", MillisecondsPerCall(100, [&] {
            HWND viewer = loadW(host, document.c_str(), 0);
            closeWindow(viewer);
        }));
    Row("open a viewer (fit, halftone), paint, close", MillisecondsPerCall(100, [&] {
            HWND viewer = loadW(host, large.c_str(), 0x02);
            UpdateWindow(viewer);
            closeWindow(viewer);
        }));
    HWND viewer = loadW(host, document.c_str(), 0);
    Row("reload the next document and repaint", MillisecondsPerCall(100, [&] {
            loadNextW(host, viewer, document.c_str(), 0);
            UpdateWindow(viewer);
        }));
    Row("copy the shown picture to the clipboard", MillisecondsPerCall(100, [&] { sendCommand(viewer, 1, 0); }));
    closeWindow(viewer);

    for (int i = 0; i < 50; ++i)
        closeWindow(loadW(host, document.c_str(), 0x02));
    const SIZE_T before = PrivateBytes();
    for (int i = 0; i < 1000; ++i) {
        HWND cycled = loadW(host, document.c_str(), i % 2 ? 0x02 : 0);
        UpdateWindow(cycled);
        loadNextW(host, cycled, large.c_str(), 0);
        closeWindow(cycled);
        DeleteObject(thumbnail(document.c_str(), 96, 96, nullptr, 0));
    }
    const SIZE_T after = PrivateBytes();
    std::printf("\nPrivate bytes before and after 1000 open/reload/close/thumbnail cycles: %zu KiB, %zu KiB (%+lld KiB)\n",
                before / 1024, after / 1024, (static_cast<long long>(after) - static_cast<long long>(before)) / 1024);
    DestroyWindow(host);
    UnregisterClassW(L"Corvelle", plugin.Module());
    return 0;
}
