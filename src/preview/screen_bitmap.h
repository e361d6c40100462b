#pragma once

#include "preview/dib_layout.h"

#include <windows.h>

// A bitmap compatible with the screen, made from a DIB block whose layout
// the check has admitted; null when the platform cannot make one.
HBITMAP CreateScreenBitmap(const unsigned char* block, const DibLayout& layout);

// The same from a header and pixel bits that the caller made and sized.
HBITMAP CreateScreenBitmapFromBits(const BITMAPINFO* info, const void* bits);
