#pragma once

// What loading either of the plugin's modules takes: the folder they stand
// in (quickview's own), their exports, and the host's parameters.

#include "base/host_contract.h"

#include <windows.h>

#include <string>

// quickview's own folder, with its closing backslash.
std::wstring ProgramFolder();

// The export name of module, or null after saying which module lacks it.
FARPROC FindExport(HMODULE module, const char* name, const char* moduleName);

template <typename Function>
bool Resolve(HMODULE module, const char* name, const char* moduleName, Function* function)
{
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(FindExport(module, name, moduleName)));
    return *function != nullptr;
}

// The host's parameters, as the file manager hands them: its own settings
// file is quickview.ini beside the program.
HostParameterRecord QuickviewHostParameters();
