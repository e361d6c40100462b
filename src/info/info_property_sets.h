#pragma once

// The information of a compound document: its release storage's name and
// its two property sets, each read whole into memory of ours when it is
// small enough and parsed by our own reader (property_set).

#include "info/info_record.h"

#include <objidl.h>

// The release code from a storage named "_MO_VERSION_<n>" under the root,
// the author, last saver and dates of "\005SummaryInformation", and the
// user-defined section of "\005DocumentSummaryInformation", up to
// kMaxCustomProperties, in the order of its property table. A stream past
// kMaxInfoRecordBytes is refused whole, before a byte of it is read. A
// property of a type that is no text, number, truth value or date is left
// out.
void ReadCompoundInfo(IStorage& root, DocumentInfo& info);
