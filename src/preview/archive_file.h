#pragma once

#include <windows.h>

// The preview of a document that is not a compound file (storageResult is
// what opening it as one gave), read from the archive that current CAD
// versions save; null when there is none. A file that is no such archive
// either is reported as the failed open, as before.
HBITMAP LoadArchivePreviewBitmap(const wchar_t* documentPath, HRESULT storageResult, const COLORREF* background);
