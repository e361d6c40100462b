#pragma once

#include <windows.h>

// Reads the "Preview" stream of a compound document into a bitmap compatible
// with the screen, owned by the caller; null when there is no usable picture.
HBITMAP LoadPreviewBitmap(const wchar_t* documentPath);
