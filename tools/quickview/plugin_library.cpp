#include "plugin_library.h"

#include "module_loading.h"

#include <cstdio>
#include <string>

bool LoadPlugin(PluginLibrary* plugin)
{
    // The release archive holds the plugin under the file manager's name for
    // it; a build has it as corvelle.dll.
    const std::wstring folder = ProgramFolder();
    for (const wchar_t* name : {L"corvelle.wlx64", L"corvelle.dll"}) {
        if (GetFileAttributesW((folder + name).c_str()) != INVALID_FILE_ATTRIBUTES) {
            plugin->module = LoadLibraryW((folder + name).c_str());
            break;
        }
    }
    if (plugin->module == nullptr) {
        std::fprintf(stderr, "cannot load corvelle.wlx64 or corvelle.dll from %ls (error %lu)\n", folder.c_str(),
                     GetLastError());
        return false;
    }
    const HMODULE module = plugin->module;
    if (!Resolve(module, "ListSetDefaultParams", "plugin", &plugin->setDefaultParams) ||
        !Resolve(module, "ListLoadW", "plugin", &plugin->loadW) ||
        !Resolve(module, "ListLoadNextW", "plugin", &plugin->loadNextW) ||
        !Resolve(module, "ListCloseWindow", "plugin", &plugin->closeWindow) ||
        !Resolve(module, "ListSendCommand", "plugin", &plugin->sendCommand) ||
        !Resolve(module, "ListPrintW", "plugin", &plugin->printW) ||
        !Resolve(module, "ListGetPreviewBitmapW", "plugin", &plugin->previewBitmapW) ||
        !Resolve(module, "CorvelleDocumentInfoW", "plugin", &plugin->documentInfoW)) {
        UnloadPlugin(plugin);
        return false;
    }

    HostParameterRecord parameters = QuickviewHostParameters();
    plugin->setDefaultParams(&parameters);
    return true;
}

void UnloadPlugin(PluginLibrary* plugin)
{
    if (plugin->module != nullptr)
        FreeLibrary(plugin->module);
    *plugin = PluginLibrary();
}
