#include "info/document_info.h"

#include "base/win32_holders.h"
#include "info/archive_info.h"
#include "info/info_property_sets.h"
#include "preview/compound_document.h"

namespace {

void ClearInfo(DocumentInfo& info)
{
    for (InfoValue& field : info.fields)
        field = {};
    info.customCount = 0;
    info.releaseCode = 0;
}

}  // namespace

bool ReadDocumentInfo(const wchar_t* documentPath, DocumentInfo& info)
{
    ClearInfo(info);
    if (documentPath == nullptr)
        return false;
    HRESULT result = S_OK;
    ScopedCom<IStorage> root = OpenCompoundDocument(documentPath, &result);
    if (root != nullptr) {
        ReadCompoundInfo(*root, info);
    } else if (!ReadArchiveInfo(documentPath, info)) {
        return false;
    }
    return InfoRowCount(info) > 0;
}
