#pragma once

// The information records of the archive container, parsed with the
// platform's XML reader, DTDs prohibited.

#include "info/info_record.h"

#include <cstdint>

// "docProps/core.xml": dc:creator, cp:lastModifiedBy, dcterms:created and
// dcterms:modified, the children of its root. Nothing is taken from a
// record that does not parse to its end.
void ReadCoreRecord(const unsigned char* bytes, std::uint32_t size, DocumentInfo& info);

// "docProps/custom.xml": the property elements of its propertySection named
// "UserDefinedProperties", each with a name and one typed value child, in
// their order, up to kMaxCustomProperties. Elements without a name, or with
// a pid of kFirstFormulaPid or more, carry the formulas behind the values
// and are passed over.
inline constexpr std::uint64_t kFirstFormulaPid = 16777216;
void ReadCustomRecord(const unsigned char* bytes, std::uint32_t size, DocumentInfo& info);
