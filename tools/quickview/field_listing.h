#pragma once

// quickview --fields: every field of the content module for each file, on
// standard output, asked through its exports as the file manager asks.

#include "command_line.h"
#include "content_library.h"

// One line a field, "FILE<TAB>FIELD<TAB>VALUE", in UTF-8: texts as they
// are, numbers in decimal, booleans "true" or "false", dates in ISO 8601
// UTC, the full text whole; an empty field with an empty value; every
// character a line reader may take for a break printed as a space. A file
// the module cannot read prints a note on standard error instead, and the
// listing goes on. Returns 0.
int ListDocumentFields(const ContentLibrary& content, const QuickviewOptions& options);
