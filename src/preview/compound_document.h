#pragma once

// How the readers of a compound document open it: the picture reader and
// the information's, in one share mode.

#include "base/win32_holders.h"

#include <objbase.h>

// Read-only, in direct mode for one writer and many readers: others may
// read the document and write it meanwhile, also opening it as a storage
// that denies writing to others, as a program saving it does. Only a
// program that opens it without letting others read it refuses us, or is
// refused. (Under Wine the platform's storage does not share deletion: the
// document cannot be renamed or deleted until we close it.) No snapshot: a
// transacted open with one copies the whole document, and one without one
// refuses every later opener that does not ask for the same.
inline constexpr DWORD kCompoundDocumentMode = STGM_READ | STGM_SHARE_DENY_NONE | STGM_DIRECT_SWMR;
// A storage that does not know the mode above refuses its flags; the
// document is then read as it always was, letting others read it only.
inline constexpr DWORD kCompoundDocumentFallbackMode = STGM_READ | STGM_SHARE_DENY_WRITE | STGM_DIRECT;

// The document's root storage, or null with *result saying why: in the
// first mode, or in the fallback where the storage refuses the first's flags.
ScopedCom<IStorage> OpenCompoundDocument(const wchar_t* documentPath, HRESULT* result);
