#include "content_library.h"

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
        std::fprintf(stderr, "the content module has no export %s\n", name);
    return *function != nullptr;
}

}  // namespace

bool LoadContentModule(ContentLibrary* content)
{
    const std::wstring path = ProgramFolder() + L"corvelle.wdx64";
    content->module = LoadLibraryW(path.c_str());
    if (content->module == nullptr) {
        std::fprintf(stderr, "cannot load %ls (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    const HMODULE module = content->module;
    if (!Resolve(module, "ContentSetDefaultParams", &content->setDefaultParams) ||
        !Resolve(module, "ContentGetSupportedField", &content->getSupportedField) ||
        !Resolve(module, "ContentGetValueW", &content->getValueW) ||
        !Resolve(module, "ContentPluginUnloading", &content->pluginUnloading)) {
        UnloadContentModule(content);
        return false;
    }
    // The host's own settings file, quickview.ini beside the program.
    HostParameterRecord parameters = {};
    const DWORD length = GetModuleFileNameA(nullptr, parameters.hostSettingsPath, sizeof parameters.hostSettingsPath);
    char* extension = std::strrchr(parameters.hostSettingsPath, '.');
    if (length != 0 && extension != nullptr &&
        extension + 4 < parameters.hostSettingsPath + sizeof parameters.hostSettingsPath)
        std::strcpy(extension, ".ini");
    content->setDefaultParams(&parameters);
    return true;
}

void UnloadContentModule(ContentLibrary* content)
{
    if (content->pluginUnloading != nullptr)
        content->pluginUnloading();
    if (content->module != nullptr)
        FreeLibrary(content->module);
    *content = ContentLibrary();
}
