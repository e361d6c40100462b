#pragma once

#include <windows.h>

// The picture of a document scaled into a box with its proportions kept; a
// picture smaller than the box in both directions keeps its size. Null when
// the document has no picture. The bitmap belongs to the caller.
HBITMAP MakeThumbnail(const wchar_t* documentPath, int boxWidth, int boxHeight);
