#pragma once

// corvelle.dll loaded from beside the program, and its exports, as the file
// manager finds them.

#include "base/host_exports.h"

#include <windows.h>

struct PluginLibrary {
    HMODULE module = nullptr;
    ListSetDefaultParamsFunction setDefaultParams = nullptr;
    ListLoadWFunction loadW = nullptr;
    ListLoadNextWFunction loadNextW = nullptr;
    ListCloseWindowFunction closeWindow = nullptr;
    ListSendCommandFunction sendCommand = nullptr;
    ListPrintWFunction printW = nullptr;
    ListGetPreviewBitmapWFunction previewBitmapW = nullptr;
    CorvelleDocumentInfoWFunction documentInfoW = nullptr;
};

// Loads the plugin and hands it the host's settings path (quickview.ini
// beside the program), as the host does once. False with a message on
// standard error when the plugin or one of its exports is missing.
bool LoadPlugin(PluginLibrary* plugin);
void UnloadPlugin(PluginLibrary* plugin);
