#pragma once

// The fields the content module offers and a document's values of them,
// taken from its information and its extras in one read.

#include "base/scoped_malloc.h"
#include "info/document_info.h"

#include <windows.h>

#include <cstdint>

// The fields every document may have, in the order the host lists them;
// the custom properties named by ContentFields follow, then the full text.
enum FixedField : std::uint32_t {
    kFieldSavedWith,
    kFieldReleaseCode,
    kFieldAuthor,
    kFieldLastSavedBy,
    kFieldCreated,
    kFieldLastSaved,
    kFieldSheets,
    kFieldPreview,
    kFixedFieldCount,
};

// A column set holds a dozen fields and the host lists them all in one
// menu; names past this many are left out.
inline constexpr std::uint32_t kMaxCustomFields = 32;
// Longer names are no property anyone types into a setting; they are left
// out rather than cut, as a cut name would match nothing.
inline constexpr std::uint32_t kMaxFieldNameLength = 63;
inline constexpr std::uint32_t kMaxFields = kFixedFieldCount + kMaxCustomFields + 1;

enum class FieldKind { Text, Number, DateTime, Boolean, FullText };

struct ContentField {
    wchar_t name[kMaxFieldNameLength + 1];
    FieldKind kind;
};

// Fixes the field list the first time it is called, from ContentFields as
// the settings read then; later calls change nothing.
void FixContentFields();
std::uint32_t ContentFieldCount();
// Null past the end.
const ContentField* ContentFieldAt(std::uint32_t index);

// Splits a ContentFields text at '|' into names, trimmed of spaces, each
// kept once (without regard to case), at most kMaxCustomFields of at most
// kMaxFieldNameLength characters; returns how many.
std::uint32_t ParseContentFieldNames(const wchar_t* text, wchar_t (*names)[kMaxFieldNameLength + 1]);

struct FieldValue {
    bool present;
    std::int32_t number;                   // a number or a boolean
    FILETIME time;                         // UTC
    wchar_t text[kMaxInfoTextLength + 1];  // one line: breaks made spaces
};

// Every field of one document, as the cache keeps it.
struct DocumentFields {
    bool readable;  // false: the file is no document that can be read
    FieldValue values[kMaxFields];
    ScopedMalloc<wchar_t> fullText;  // "name: value" lines; null when none
    std::uint32_t fullTextLength;
};

// Reads the document once (its information, its sheets and picture check)
// and fills every field. Never shows a box, and holds nothing open after.
void ReadDocumentFields(const wchar_t* documentPath, DocumentFields& fields);
