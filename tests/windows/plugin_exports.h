#pragma once

// The host's view of the plugin's exports.

#include <windows.h>

using ListGetPreviewBitmapWFunction = HBITMAP(__stdcall*)(const wchar_t*, int, int, char*, int);
using ListGetPreviewBitmapFunction = HBITMAP(__stdcall*)(const char*, int, int, char*, int);
using ListSetDefaultParamsFunction = void(__stdcall*)(const void*);
