#pragma once

// Converts an ANSI string (system code page) into a terminated wide path of
// 1024 code units; a longer string keeps its first 1023. Returns destination,
// or null for a null text (destination then untouched).
wchar_t* ToWidePath(wchar_t* destination, const char* text);
