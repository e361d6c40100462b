#pragma once

// A document's own information, read beside its picture for the viewer's
// panel and the export, in a look of its own.

#include "info/info_record.h"

// Reads the information of a document in one look, under a budget of its
// own: opened letting others read and write it (an archive also delete
// it), and closed before this returns. Whatever does not parse leaves out only its own rows. False
// when the document cannot be read or holds no information at all. Never
// shows a box: the information is an extra, and its absence no failure.
bool ReadDocumentInfo(const wchar_t* documentPath, DocumentInfo& info);
