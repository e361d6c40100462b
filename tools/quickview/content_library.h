#pragma once

// corvelle.wdx64 loaded from beside the program, and its exports, as the
// file manager finds a content module.

#include "base/content_contract.h"

#include <windows.h>

struct ContentLibrary {
    HMODULE module = nullptr;
    ContentSetDefaultParamsFunction setDefaultParams = nullptr;
    ContentGetSupportedFieldFunction getSupportedField = nullptr;
    ContentGetValueWFunction getValueW = nullptr;
    ContentPluginUnloadingFunction pluginUnloading = nullptr;
};

// Loads the module and hands it the host's settings path (quickview.ini
// beside the program). False with a message on standard error when the
// module or one of its exports is missing.
bool LoadContentModule(ContentLibrary* content);
// Tells the module it is unloaded, then unloads it.
void UnloadContentModule(ContentLibrary* content);
