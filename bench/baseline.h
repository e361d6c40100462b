#pragma once

// The platform's irreducible work for a thumbnail, with nothing of the
// plugin's own: open the compound file, read the "Preview" stream, make the
// screen bitmap, and stretch it in halftone mode into the thumbnail. The
// plugin's thumbnail is measured against this, in the same process and run.

#include <windows.h>

// The thumbnail of a document that the benchmark wrote itself (so that its
// block is known to be sound), or null.
HBITMAP BaselineThumbnail(const wchar_t* path, int boxWidth, int boxHeight);
