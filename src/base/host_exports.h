#pragma once

// The module's exports as the host calls them, one function pointer type
// each: the other half of the host contract. The module checks its own
// definitions against these when it is compiled; the host programs and the
// tests call through them.

#include "base/host_contract.h"

#include <windows.h>

using ListSetDefaultParamsFunction = void(__stdcall*)(const HostParameterRecord*);
using ListGetDetectStringFunction = void(__stdcall*)(char*, int);
using ListLoadWFunction = HWND(__stdcall*)(HWND, const wchar_t*, int);
using ListLoadFunction = HWND(__stdcall*)(HWND, const char*, int);
using ListLoadNextWFunction = int(__stdcall*)(HWND, HWND, const wchar_t*, int);
using ListLoadNextFunction = int(__stdcall*)(HWND, HWND, const char*, int);
using ListCloseWindowFunction = void(__stdcall*)(HWND);
using ListSendCommandFunction = int(__stdcall*)(HWND, int, int);
using ListPrintWFunction = int(__stdcall*)(HWND, const wchar_t*, const wchar_t*, int, const PrintMargins*);
using ListPrintFunction = int(__stdcall*)(HWND, const char*, const char*, int, const PrintMargins*);
using ListGetPreviewBitmapWFunction = HBITMAP(__stdcall*)(const wchar_t*, int, int, char*, int);
using ListGetPreviewBitmapFunction = HBITMAP(__stdcall*)(const char*, int, int, char*, int);

// Beside the host contract, the module's own: a document's information as
// text, one row a line ("property<TAB>value<CR><LF>", dates as the document
// stores them, in ISO 8601), into text of capacity characters with its
// terminator; an empty text when the document holds none. Returns the
// contract's success, or failure for a path or buffer it cannot use.
using CorvelleDocumentInfoWFunction = int(__stdcall*)(const wchar_t*, wchar_t*, int);
// Room for every row the module reads: five fixed and 256 custom, each of
// two texts of up to 255 characters and three separators.
inline constexpr int kDocumentInfoTextCapacity = (5 + 256) * (2 * 255 + 3) + 1;
