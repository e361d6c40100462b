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
// text, one row a line ("property<TAB>value<CR><LF>", a custom property's
// as "Custom:<name>", dates as the document stores them, in ISO 8601, every
// control character and line or paragraph separator made a space), into
// text of capacity characters with its
// terminator; an empty text when the document holds none. Returns the
// contract's success, or failure for a path or buffer it cannot use.
using CorvelleDocumentInfoWFunction = int(__stdcall*)(const wchar_t*, wchar_t*, int);
// Room for every row the module reads: five fixed and 256 custom, each of
// two texts of up to 255 characters, three separators and a custom
// property's "Custom:" before its name.
inline constexpr int kDocumentInfoTextCapacity = (5 + 256) * (7 + 2 * 255 + 3) + 1;

// What a reader of lines and fields may take for a break, and so what the
// information's text never holds: the C0 controls (TAB, LF, VT, FF, CR, the
// separators FS to US), DEL, the C1 controls (NEL among them) and the line
// and paragraph separators.
inline bool TakenForABreak(wchar_t character)
{
    return character < 0x20 || (character >= 0x7F && character <= 0x9F) || character == 0x2028 || character == 0x2029;
}
