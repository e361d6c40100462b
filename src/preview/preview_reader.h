#pragma once

#include <windows.h>

// Reads the "Preview" stream of a compound document into a bitmap compatible
// with the screen, owned by the caller; null when there is no usable picture.
// With TrueColor=1 the true-colour picture comes first, laid over background
// (a viewer's own colour; null: the BackColor setting, read then).
HBITMAP LoadPreviewBitmap(const wchar_t* documentPath, const COLORREF* background);
