// quickview: hosts corvelle.dll as the file manager does, to view documents,
// take screenshots of the viewer and write thumbnails in bulk; and
// corvelle.wdx64 as its content module, to list the fields it gives.
#include "box_relay.h"
#include "command_line.h"
#include "content_library.h"
#include "dpi_override.h"
#include "field_listing.h"
#include "host_window.h"
#include "info_listing.h"
#include "plugin_library.h"
#include "thumbnail_batch.h"
#include "true_color_override.h"

#include <windows.h>

#include <cstdio>
#include <memory>

int wmain(int argc, wchar_t** argv)
{
    const ParsedCommandLine parsed = ParseQuickviewCommandLine(std::vector<std::wstring>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::fprintf(stderr, "quickview: %ls\n%ls", parsed.error.c_str(), kQuickviewUsage);
        return 2;
    }
    if (parsed.options.mode == QuickviewMode::Help) {
        std::printf("%ls", kQuickviewUsage);
        return 0;
    }
    // Real pixels, as the file manager has them; at the DPI asked for, in a
    // copy of this program that starts at it.
    DeclareDpiAware();
    int childStatus = 0;
    if (parsed.options.dpi != 0 && RunAgainAtDpi(static_cast<UINT>(parsed.options.dpi), &childStatus))
        return childStatus;
    // The imaging component that writes PNG files is a COM component.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Runs without a user must not stop at a message box; the viewer shows them.
    std::unique_ptr<MessageBoxRelay> relay;
    if (parsed.options.mode != QuickviewMode::View)
        relay = std::make_unique<MessageBoxRelay>();
    PluginLibrary plugin;
    int status = 1;
    if (parsed.options.mode == QuickviewMode::Fields) {
        ContentLibrary content;
        if (LoadContentModule(&content)) {
            status = ListDocumentFields(content, parsed.options);
            UnloadContentModule(&content);
        }
    } else if (LoadPlugin(&plugin)) {
        // After the plugin has created its settings file, before any document.
        const SavedTrueColor trueColor = SetTrueColorForRun(parsed.options.trueColor);
        switch (parsed.options.mode) {
        case QuickviewMode::Thumbnails:
            status = WriteThumbnails(plugin, parsed.options);
            break;
        case QuickviewMode::Screenshot:
            status = TakeScreenshot(plugin, parsed.options);
            break;
        case QuickviewMode::Info:
            status = ListDocumentInfo(plugin, parsed.options);
            break;
        default:
            status = RunViewer(plugin, parsed.options);
            break;
        }
        RestoreTrueColor(trueColor);
        UnloadPlugin(&plugin);
    }
    relay.reset();
    if (SUCCEEDED(com))
        CoUninitialize();
    return status;
}
