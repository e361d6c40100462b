#pragma once

#include "preview/sheet_names.h"

#include <windows.h>

#include <cstdint>

// Reads the "Preview" stream of a compound document into a bitmap compatible
// with the screen, owned by the caller; null when there is no usable picture.
// With TrueColor=1 the true-colour picture comes first, laid over background
// (a viewer's own colour; null: the BackColor setting, read then). With
// sheets, a drawing's sheet names are read as well, in the same look and
// budget: a count of 0 when there are none that can be read.
HBITMAP LoadPreviewBitmap(const wchar_t* documentPath, const COLORREF* background, SheetList* sheets = nullptr);

// The picture a drawing holds of one of its sheets, a PNG decoded as the
// true-colour picture is, laid over background; null when there is none
// that decodes, reported when Debug is on.
HBITMAP LoadSheetBitmap(const wchar_t* documentPath, std::uint32_t sheetIndex, const COLORREF* background);
