#pragma once

// What the content module asks of a document beside its information: how
// many sheets a drawing has and whether the document carries a picture the
// viewer can show. Read in a look of its own that never shows a box.

#include <cstdint>

struct DocumentExtras {
    std::uint32_t sheetCount;  // 0 for parts, assemblies and unreadable names
    // The "Preview" record's count and DIB layout pass the checks the
    // viewer's picture passes; no bitmap is made.
    bool hasPreview;
};

// False when the file is neither container or cannot be opened. The
// document is opened letting others read and write it, and closed before
// this returns.
bool ReadDocumentExtras(const wchar_t* documentPath, DocumentExtras& extras);
