// Child process of the malformed-corpus test: hands each document to the
// plugin the ways the host does (thumbnail, viewer load, reload into an open
// viewer, copy) with Debug off, and reports each case on standard output:
//   begin I
//   case I thumbnail WxH|null viewer yes|no reload 0|1 boxes N
// A crash or hang shows as a "begin" without its "case" line.
//
//   corvelle_corpus_runner [--guarded] FILE...
#include "base/host_contract.h"
#include "base/host_exports.h"
#include "compound_file.h"
#include "dib_blocks.h"
#include "guarded_heap.h"
#include "plugin_host.h"
#include "strict_floating_point.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void Paint(HWND window)
{
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    UseStrictFloatingPoint();
    int first = 1;
    const bool guarded = argc > 1 && std::wcscmp(argv[1], L"--guarded") == 0;
    if (guarded)
        ++first;

    TempFolder folder;
    LoadedPlugin plugin(folder.Path());
    WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\nDebug=0\r\n");
    plugin.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    const std::wstring sound = folder.File(L"sound.SLDPRT");
    WriteDocument(sound, Rle8Block(MakeBlockPicture(50, 40)));
    if (guarded) {
        // Never destroyed: the plugin frees its blocks up to its unloading.
        const GuardedHeap* heap = new GuardedHeap(plugin.Module());
        if (!heap->Applied()) {
            std::printf("guarded heap not applied\n");
            return 3;
        }
    }

    const auto thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW");
    const auto loadW = plugin.Export<ListLoadWFunction>("ListLoadW");
    const auto loadNextW = plugin.Export<ListLoadNextWFunction>("ListLoadNextW");
    const auto closeWindow = plugin.Export<ListCloseWindowFunction>("ListCloseWindow");
    const auto sendCommand = plugin.Export<ListSendCommandFunction>("ListSendCommand");
    HWND host = CreatePlainHostWindow(L"CorvelleCorpusHost", 320, 240);

    for (int i = first; i < argc; ++i) {
        const wchar_t* path = argv[i];
        std::printf("begin %d\n", i - first);
        std::fflush(stdout);
        plugin.ClearBoxes();

        std::string size = "null";
        if (HBITMAP picture = thumbnail(path, 1 << 20, 1 << 20, nullptr, 0)) {
            BITMAP description = {};
            GetObjectW(picture, sizeof description, &description);
            size = std::to_string(description.bmWidth) + "x" + std::to_string(description.bmHeight);
            DeleteObject(picture);
        }
        DeleteObject(thumbnail(path, 24, 24, nullptr, 0));

        HWND viewer = loadW(host, path, kShowFlagFit | kShowFlagCenter);
        if (viewer != nullptr) {
            Paint(viewer);
            sendCommand(viewer, kCommandCopy, 0);
            sendCommand(viewer, kCommandNewParameters, 0);
            Paint(viewer);
            closeWindow(viewer);
        }
        // Into a viewer that shows a sound document, as when stepping through a folder.
        HWND stepping = loadW(host, sound.c_str(), 0);
        const int reload = loadNextW(host, stepping, path, kShowFlagFit);
        Paint(stepping);
        sendCommand(stepping, kCommandCopy, 0);
        closeWindow(stepping);

        std::printf("case %d thumbnail %s viewer %s reload %d boxes %zu\n", i - first, size.c_str(),
                    viewer != nullptr ? "yes" : "no", reload, plugin.Boxes().size());
        std::fflush(stdout);
    }
    DestroyWindow(host);
    return 0;
}
