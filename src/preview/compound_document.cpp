#include "preview/compound_document.h"

ScopedCom<IStorage> OpenCompoundDocument(const wchar_t* documentPath, HRESULT* result)
{
    IStorage* opened = nullptr;
    *result = StgOpenStorage(documentPath, nullptr, kCompoundDocumentMode, nullptr, 0, &opened);
    if (*result == STG_E_INVALIDFLAG || *result == STG_E_INVALIDFUNCTION || *result == E_INVALIDARG)
        *result = StgOpenStorage(documentPath, nullptr, kCompoundDocumentFallbackMode, nullptr, 0, &opened);
    return ScopedCom<IStorage>(SUCCEEDED(*result) ? opened : nullptr);
}
