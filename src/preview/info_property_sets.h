#pragma once

// The information of a compound document: its release storage's name and
// its two property sets, read through the platform's property-set
// interfaces.

#include "preview/document_info.h"

#include <objidl.h>

// The release code from a storage named "_MO_VERSION_<n>" under the root,
// the author, last saver and dates of "\005SummaryInformation", and the
// user-defined section of "\005DocumentSummaryInformation", up to
// kMaxCustomProperties, in the order the platform lists them. A property of
// a type that is no text, number, truth value or date is left out.
void ReadCompoundInfo(IStorage& root, DocumentInfo& info);
