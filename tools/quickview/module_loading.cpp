#include "module_loading.h"

#include <cstdio>
#include <cstring>

std::wstring ProgramFolder()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

FARPROC FindExport(HMODULE module, const char* name, const char* moduleName)
{
    const FARPROC found = GetProcAddress(module, name);
    if (found == nullptr)
        std::fprintf(stderr, "the %s has no export %s\n", moduleName, name);
    return found;
}

HostParameterRecord QuickviewHostParameters()
{
    HostParameterRecord parameters = {};
    const DWORD length = GetModuleFileNameA(nullptr, parameters.hostSettingsPath, sizeof parameters.hostSettingsPath);
    char* extension = std::strrchr(parameters.hostSettingsPath, '.');
    if (length != 0 && extension != nullptr &&
        extension + 4 < parameters.hostSettingsPath + sizeof parameters.hostSettingsPath)
        std::strcpy(extension, ".ini");
    return parameters;
}
