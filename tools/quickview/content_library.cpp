#include "content_library.h"

#include "module_loading.h"

#include <cstdio>
#include <string>

bool LoadContentModule(ContentLibrary* content)
{
    const std::wstring path = ProgramFolder() + L"corvelle.wdx64";
    content->module = LoadLibraryW(path.c_str());
    if (content->module == nullptr) {
        std::fprintf(stderr, "cannot load %ls (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    const HMODULE module = content->module;
    if (!Resolve(module, "ContentSetDefaultParams", "content module", &content->setDefaultParams) ||
        !Resolve(module, "ContentGetSupportedField", "content module", &content->getSupportedField) ||
        !Resolve(module, "ContentGetValueW", "content module", &content->getValueW) ||
        !Resolve(module, "ContentPluginUnloading", "content module", &content->pluginUnloading)) {
        UnloadContentModule(content);
        return false;
    }
    HostParameterRecord parameters = QuickviewHostParameters();
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
