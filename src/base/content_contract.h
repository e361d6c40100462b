#pragma once

// The host's contract with a content module, as the host calls it: the
// field types and results, the flags, and one function pointer type for
// each export. The content module checks its definitions against these;
// quickview and the tests call through them.

#include "base/host_contract.h"

#include <windows.h>

#include <cstdint>

// Field types, as ContentGetSupportedField declares a field and
// ContentGetValue says what it wrote.
inline constexpr int kFieldNoMoreFields = 0;
inline constexpr int kFieldNumeric32 = 1;    // a 32-bit integer
inline constexpr int kFieldBoolean = 6;      // a 32-bit integer, 0 or 1
inline constexpr int kFieldString = 8;       // ANSI text with its terminator
inline constexpr int kFieldFullText = 9;     // ANSI text from UnitIndex on
inline constexpr int kFieldDateTime = 10;    // a FILETIME, UTC
inline constexpr int kFieldStringW = 11;     // UTF-16 text with its terminator
inline constexpr int kFieldFullTextW = 12;   // UTF-16 text from UnitIndex on

// What ContentGetValue returns instead of a type.
inline constexpr int kFieldNoSuchField = -1;
inline constexpr int kFieldFileError = -2;
inline constexpr int kFieldEmpty = -3;

// ContentGetValue's flags: the host asks from its foreground thread.
inline constexpr int kContentDelayIfSlow = 1;

// ContentGetDefaultSortOrder: ascending.
inline constexpr int kSortAscending = 1;

// A full text is handed out in pieces: UnitIndex is where the piece starts
// (in characters for ANSI, in bytes for UTF-16, as the open-source host
// counts them), and -1 says the host is done with the text.
inline constexpr int kFullTextDone = -1;

// ContentSetDefaultParams's record has the viewer's layout: three values,
// then the host's settings path.
using ContentGetDetectStringFunction = int(__stdcall*)(char*, int);
using ContentSetDefaultParamsFunction = void(__stdcall*)(const HostParameterRecord*);
using ContentGetSupportedFieldFunction = int(__stdcall*)(int, char*, char*, int);
using ContentGetValueWFunction = int(__stdcall*)(const wchar_t*, int, int, void*, int, int);
using ContentGetValueFunction = int(__stdcall*)(const char*, int, int, void*, int, int);
using ContentGetSupportedFieldFlagsFunction = int(__stdcall*)(int);
using ContentGetDefaultSortOrderFunction = int(__stdcall*)(int);
using ContentStopGetValueFunction = void(__stdcall*)(const char*);
using ContentPluginUnloadingFunction = void(__stdcall*)();
