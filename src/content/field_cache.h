#pragma once

// A small cache of documents' fields, so that a folder view asking every
// field of every file reads each document once. Keyed by path, size and
// last-write time; safe across threads; holds no document open.

#include "content/content_fields.h"

#include <cstdint>

enum class FieldResult { Value, Empty, FileError };

// One field's value of a document, read or taken from the cache. Not for
// the full text.
FieldResult GetDocumentField(const wchar_t* documentPath, std::uint32_t fieldIndex, FieldValue& value);

// The full text from character from on: at most capacity - 1 characters
// into text with a terminator, never ending inside a surrogate pair;
// *copied says how many. Empty past the end.
FieldResult GetDocumentFullText(const wchar_t* documentPath, std::uint32_t from, wchar_t* text,
                                std::uint32_t capacity, std::uint32_t* copied);

// Frees every cached document.
void ForgetCachedDocuments();
