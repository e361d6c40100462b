#pragma once

#include <windows.h>

#include <cstdint>

// The document's true-colour picture: PNG bytes decoded by the platform's
// imaging component, composited over the background colour (null: the
// BackColor setting, read then) and made into a bitmap compatible with the
// screen, like a DIB preview. Null, silently,
// when the bytes are refused or do not decode. Initialises COM on the
// calling thread for the call unless it already has an apartment.
HBITMAP BitmapFromPng(const unsigned char* bytes, std::uint32_t size, const COLORREF* background);
