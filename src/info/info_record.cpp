#include "info/info_record.h"

#include "info/document_facts.h"

#include <cwchar>

namespace {

constexpr const wchar_t* kFieldLabels[kInfoFieldCount] = {L"Saved with", L"Created", L"Last saved", L"Author",
                                                          L"Last saved by"};

}  // namespace

std::uint32_t WholeCharacters(const wchar_t* text, std::uint32_t length, std::uint32_t kept)
{
    // A pair of surrogates is one character: cut before it, not inside.
    if (kept > 0 && kept < length && text[kept - 1] >= 0xD800 && text[kept - 1] <= 0xDBFF)
        return kept - 1;
    return kept;
}

void SetInfoText(wchar_t* destination, const wchar_t* text, std::uint32_t length)
{
    const std::uint32_t kept = WholeCharacters(text, length, length < kMaxInfoTextLength ? length : kMaxInfoTextLength);
    std::wmemcpy(destination, text, kept);
    destination[kept] = L'\0';
}

void SetReleaseValue(DocumentInfo& info, std::uint32_t code)
{
    info.releaseCode = code;
    InfoValue& value = info.fields[kInfoSavedWith];
    const CadRelease release = ReleaseOfCode(code);
    if (!release.known)
        std::swprintf(value.text, kMaxInfoTextLength + 1, L"release code %u", code);
    else
        std::swprintf(value.text, kMaxInfoTextLength + 1, release.plus ? L"%u Plus" : L"%u", release.year);
    value.present = true;
}

std::uint32_t InfoRowCount(const DocumentInfo& info)
{
    std::uint32_t count = info.customCount;
    for (const InfoValue& field : info.fields)
        count += field.present ? 1 : 0;
    return count;
}

InfoRow InfoRowAt(const DocumentInfo& info, std::uint32_t index)
{
    for (std::uint32_t field = 0; field < kInfoFieldCount; ++field) {
        if (!info.fields[field].present)
            continue;
        if (index == 0)
            return {kFieldLabels[field], &info.fields[field]};
        --index;
    }
    if (index >= info.customCount)
        return {nullptr, nullptr};
    return {info.custom[index].name, &info.custom[index].value};
}
