// The export that gives a document's information as text.
#include "base/floating_point_guard.h"
#include "base/host_contract.h"
#include "base/host_exports.h"
#include "info/document_info.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <new>
#include <type_traits>

namespace {

// A custom property's label says what it is, so that one named "Author"
// never reads as the document's author.
constexpr wchar_t kCustomLabelPrefix[] = L"Custom:";
constexpr std::size_t kCustomLabelPrefixLength = sizeof kCustomLabelPrefix / sizeof kCustomLabelPrefix[0] - 1;

static_assert(kDocumentInfoTextCapacity >=
                  (kInfoFieldCount + kMaxCustomProperties) * (kCustomLabelPrefixLength + 2 * kMaxInfoTextLength + 3) +
                      1,
              "room for every row");

// Appends text with every such character made a space, so that a row stays
// one line of two columns whoever splits it.
std::size_t AppendColumn(wchar_t* text, std::size_t at, const wchar_t* column)
{
    for (; *column != L'\0'; ++column)
        text[at++] = TakenForABreak(*column) ? L' ' : *column;
    return at;
}

}  // namespace

extern "C" int __stdcall CorvelleDocumentInfoW(const wchar_t* documentPath, wchar_t* text, int capacity)
{
    const FloatingPointGuard floatingPoint;
    if (documentPath == nullptr || text == nullptr || capacity < kDocumentInfoTextCapacity)
        return kStatusFailure;
    text[0] = L'\0';
    std::unique_ptr<DocumentInfo> info(new (std::nothrow) DocumentInfo);
    if (info == nullptr)
        return kStatusFailure;
    if (!ReadDocumentInfo(documentPath, *info))
        return kStatusSuccess;
    std::size_t at = 0;
    const std::uint32_t rows = InfoRowCount(*info);
    // The fixed rows come first, the custom properties after them.
    const std::uint32_t fixedRows = rows - info->customCount;
    for (std::uint32_t row = 0; row < rows; ++row) {
        const InfoRow shown = InfoRowAt(*info, row);
        if (row >= fixedRows)
            at = AppendColumn(text, at, kCustomLabelPrefix);
        at = AppendColumn(text, at, shown.label);
        text[at++] = L'\t';
        at = AppendColumn(text, at, shown.value->text);
        text[at++] = L'\r';
        text[at++] = L'\n';
    }
    text[at] = L'\0';
    return kStatusSuccess;
}

static_assert(std::is_same_v<decltype(&CorvelleDocumentInfoW), CorvelleDocumentInfoWFunction>);
