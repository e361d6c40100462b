#pragma once

#include "base/win32_holders.h"
#include "preview/archive_reader.h"
#include "preview/sheet_names.h"

#include <windows.h>

#include <cstdint>

// The preview of a document that is not a compound file (storageResult is
// what opening it as one gave), read from the archive that current CAD
// versions save; null when there is none. A file that is no such archive
// either is reported as the failed open, as before. With sheets, the
// drawing's sheet names are read in the same look.
HBITMAP LoadArchivePreviewBitmap(const wchar_t* documentPath, HRESULT storageResult, const COLORREF* background,
                                 SheetList* sheets);

// Why a sheet has no picture, for the report the caller makes.
enum class SheetPictureFailure { None, Missing, Undecodable };

// The picture of one sheet ("Images/Sheet_<i>") of such a document, laid
// over background; null, with failure set, when there is none.
HBITMAP LoadArchiveSheetBitmap(const wchar_t* documentPath, std::uint32_t sheetIndex, const COLORREF* background,
                               SheetPictureFailure* failure);


// A drawing's sheet names and whether the "Preview" record passes the
// viewer's checks (no bitmap is made), in one look without a box. False
// when it is no such archive.
bool ReadArchiveExtras(const wchar_t* documentPath, SheetList& sheets, bool* hasPreview);

// Opens a document of either container to read it at offsets. Others may
// read, write, rename or delete it meanwhile: the CAD program saving it is
// never refused, and a record that changes under us fails its CRC check.
HANDLE OpenDocumentFile(const wchar_t* documentPath);

// Reads of the open document at offsets; false when its size cannot be had.
bool SourceOf(const ScopedFile& file, ByteSource& source);
