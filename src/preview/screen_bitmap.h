#pragma once

#include "preview/dib_layout.h"

#include <windows.h>

// A bitmap compatible with the screen, made from a DIB block whose layout
// the check has admitted; null when the platform cannot make one.
HBITMAP CreateScreenBitmap(const unsigned char* block, const DibLayout& layout);
