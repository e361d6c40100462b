#pragma once

// corvelle.dll loaded from beside the program, and its exports, as the file
// manager finds them.

#include "base/host_contract.h"

#include <windows.h>

struct PluginLibrary {
    HMODULE module = nullptr;
    void(__stdcall* setDefaultParams)(const void*) = nullptr;
    HWND(__stdcall* loadW)(HWND, const wchar_t*, int) = nullptr;
    int(__stdcall* loadNextW)(HWND, HWND, const wchar_t*, int) = nullptr;
    void(__stdcall* closeWindow)(HWND) = nullptr;
    int(__stdcall* sendCommand)(HWND, int, int) = nullptr;
    int(__stdcall* printW)(HWND, const wchar_t*, const wchar_t*, int, const PrintMargins*) = nullptr;
    HBITMAP(__stdcall* previewBitmapW)(const wchar_t*, int, int, char*, int) = nullptr;
};

// Loads the plugin and hands it the host's settings path (quickview.ini
// beside the program), as the host does once. False with a message on
// standard error when the plugin or one of its exports is missing.
bool LoadPlugin(PluginLibrary* plugin);
void UnloadPlugin(PluginLibrary* plugin);
