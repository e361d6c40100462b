#pragma once

// How the readers of a compound document open it: the picture reader and
// the information's, in one share mode.

#include "base/win32_holders.h"

#include <objbase.h>

// Read-only, in direct mode for one writer and many readers: others may
// read the document, write it (also opening it as a storage that denies
// writing to others, as a program saving it does) and delete it meanwhile.
// Only a program that opens it exclusively refuses us, or is refused. No
// snapshot: a transacted open without one would copy the whole document,
// and one without a snapshot refuses every later opener that asks for one.
inline constexpr DWORD kCompoundDocumentMode = STGM_READ | STGM_SHARE_DENY_NONE | STGM_DIRECT_SWMR;

// The document's root storage, or null with *result saying why.
ScopedCom<IStorage> OpenCompoundDocument(const wchar_t* documentPath, HRESULT* result);
