#pragma once

// The information records of a document in the archive container.

#include "info/info_record.h"

// The information records of such a document, in one look of their own:
// the release code from the names of its "_MO_VERSION_<n>/..." records,
// "docProps/core.xml" and "docProps/custom.xml", each refused by its
// declared size past kMaxInfoRecordBytes. The file is closed before the
// records are parsed. False when it is no such archive.
bool ReadArchiveInfo(const wchar_t* documentPath, DocumentInfo& info);
