#include "plugin_library.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring ProgramFolder()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function)
{
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (*function == nullptr)
        std::fprintf(stderr, "the plugin has no export %s\n", name);
    return *function != nullptr;
}

}  // namespace

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
    if (!Resolve(module, "ListSetDefaultParams", &plugin->setDefaultParams) ||
        !Resolve(module, "ListLoadW", &plugin->loadW) || !Resolve(module, "ListLoadNextW", &plugin->loadNextW) ||
        !Resolve(module, "ListCloseWindow", &plugin->closeWindow) ||
        !Resolve(module, "ListSendCommand", &plugin->sendCommand) || !Resolve(module, "ListPrintW", &plugin->printW) ||
        !Resolve(module, "ListGetPreviewBitmapW", &plugin->previewBitmapW) ||
        !Resolve(module, "CorvelleDocumentInfoW", &plugin->documentInfoW)) {
        UnloadPlugin(plugin);
        return false;
    }

    // The host's own settings file, quickview.ini beside the program.
    HostParameterRecord parameters = {};
    const DWORD length = GetModuleFileNameA(nullptr, parameters.hostSettingsPath, sizeof parameters.hostSettingsPath);
    char* extension = std::strrchr(parameters.hostSettingsPath, '.');
    if (length != 0 && extension != nullptr &&
        extension + 4 < parameters.hostSettingsPath + sizeof parameters.hostSettingsPath)
        std::strcpy(extension, ".ini");
    plugin->setDefaultParams(&parameters);
    return true;
}

void UnloadPlugin(PluginLibrary* plugin)
{
    if (plugin->module != nullptr)
        FreeLibrary(plugin->module);
    *plugin = PluginLibrary();
}
