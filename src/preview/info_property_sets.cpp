#include "preview/info_property_sets.h"

#include "base/win32_holders.h"
#include "preview/document_facts.h"

#include <propidl.h>

#include <cstdio>
#include <cwchar>

namespace {

// Storages under a document's root: real documents have a few dozen.
constexpr std::uint32_t kMaxRootElements = 4096;
// Entries of the user-defined set looked at, shown or not (unnamed ones,
// values of other types): a few times the most that are shown.
constexpr std::uint32_t kMaxUserDefinedEntries = 4 * kMaxCustomProperties;
// A narrow string takes at most this many bytes a character.
constexpr int kMaxBytesPerCharacter = 4;
// The code page of a set stored in UTF-16.
constexpr UINT kUnicodeCodePage = 1200;

struct PropVariantHolder {
    PROPVARIANT value;
    PropVariantHolder() { PropVariantInit(&value); }
    ~PropVariantHolder() { PropVariantClear(&value); }
    PropVariantHolder(const PropVariantHolder&) = delete;
    PropVariantHolder& operator=(const PropVariantHolder&) = delete;
};

// The release code: the largest among the storages that carry one.
void ReadReleaseStorage(IStorage& root, DocumentInfo& info)
{
    IEnumSTATSTG* opened = nullptr;
    if (FAILED(root.EnumElements(0, nullptr, 0, &opened)))
        return;
    ScopedCom<IEnumSTATSTG> elements(opened);
    bool found = false;
    std::uint32_t release = 0;
    STATSTG element = {};
    for (std::uint32_t seen = 0; seen < kMaxRootElements && elements->Next(1, &element, nullptr) == S_OK; ++seen) {
        char name[32] = {};
        std::size_t length = 0;
        bool ascii = element.type == STGTY_STORAGE && element.pwcsName != nullptr;
        for (; ascii && element.pwcsName[length] != L'\0'; ++length) {
            ascii = length + 1 < sizeof name && element.pwcsName[length] < 0x80;
            name[length] = static_cast<char>(element.pwcsName[length]);
        }
        CoTaskMemFree(element.pwcsName);
        std::uint32_t code = 0;
        if (ascii && ReleaseCodeOfName(name, length, &code) && (!found || code > release)) {
            found = true;
            release = code;
        }
    }
    if (found)
        SetReleaseValue(info, release);
}

// A date as ISO 8601 in UTC, with its instant.
void SetDate(InfoValue& value, const FILETIME& time)
{
    SYSTEMTIME utc = {};
    if (!FileTimeToSystemTime(&time, &utc))
        return;
    std::swprintf(value.text, kMaxInfoTextLength + 1, L"%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth,
                  utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
    value.hasTime = true;
    value.time = time;
    value.present = true;
}

void SetNarrowText(InfoValue& value, const char* text, UINT codePage)
{
    if (text == nullptr)
        return;
    // Cut in bytes first, to what can make a row's characters and a few
    // more, then to the row's characters.
    constexpr int kMostBytes = kMaxBytesPerCharacter * (kMaxInfoTextLength + 1);
    const int length = static_cast<int>(strnlen(text, kMostBytes));
    wchar_t converted[kMostBytes];
    const int made = MultiByteToWideChar(codePage, 0, text, length, converted, kMostBytes);
    if (made <= 0 && length > 0)
        return;
    SetInfoText(value.text, converted, static_cast<std::uint32_t>(made > 0 ? made : 0));
    value.present = true;
}

void SetNumber(InfoValue& value, const wchar_t* format, double number)
{
    std::swprintf(value.text, kMaxInfoTextLength + 1, format, number);
    value.present = true;
}

// The value in text, as stored: numbers in decimal, truth values as the
// archive writes them, dates in ISO 8601.
void SetValue(InfoValue& value, const PROPVARIANT& stored, UINT codePage)
{
    switch (stored.vt) {
    case VT_LPSTR:
        SetNarrowText(value, stored.pszVal, codePage);
        return;
    case VT_LPWSTR:
    case VT_BSTR:
        if (stored.vt == VT_LPWSTR ? stored.pwszVal != nullptr : stored.bstrVal != nullptr) {
            const wchar_t* text = stored.vt == VT_LPWSTR ? stored.pwszVal : stored.bstrVal;
            SetInfoText(value.text, text, static_cast<std::uint32_t>(wcsnlen(text, kMaxInfoTextLength)));
            value.present = true;
        }
        return;
    case VT_I2:
        SetNumber(value, L"%.0f", stored.iVal);
        return;
    case VT_I4:
    case VT_INT:
        SetNumber(value, L"%.0f", stored.lVal);
        return;
    case VT_UI2:
        SetNumber(value, L"%.0f", stored.uiVal);
        return;
    case VT_UI4:
    case VT_UINT:
        SetNumber(value, L"%.0f", stored.ulVal);
        return;
    case VT_R4:
        SetNumber(value, L"%.9g", stored.fltVal);
        return;
    case VT_R8:
        SetNumber(value, L"%.17g", stored.dblVal);
        // The shortest form that reads back as the same number.
        for (int digits = 1; digits < 17; ++digits) {
            wchar_t shorter[32] = {};
            std::swprintf(shorter, 32, L"%.*g", digits, stored.dblVal);
            if (std::wcstod(shorter, nullptr) == stored.dblVal) {
                SetInfoText(value.text, shorter, static_cast<std::uint32_t>(std::wcslen(shorter)));
                break;
            }
        }
        return;
    case VT_BOOL:
        SetInfoText(value.text, stored.boolVal ? L"true" : L"false", stored.boolVal ? 4 : 5);
        value.present = true;
        return;
    case VT_FILETIME:
        SetDate(value, stored.filetime);
        return;
    default:
        return;
    }
}

// The code page of a set's narrow strings, or the system's. A set stored
// in Unicode hands its narrow strings over in the system's code page.
UINT CodePageOf(IPropertyStorage& set)
{
    PROPSPEC selector = {};
    selector.ulKind = PRSPEC_PROPID;
    selector.propid = PID_CODEPAGE;
    PropVariantHolder stored;
    if (set.ReadMultiple(1, &selector, &stored.value) != S_OK || stored.value.vt != VT_I2)
        return CP_ACP;
    const auto codePage = static_cast<UINT>(static_cast<unsigned short>(stored.value.iVal));
    return codePage == kUnicodeCodePage ? CP_ACP : codePage;
}

ScopedCom<IPropertyStorage> OpenSet(IPropertySetStorage& sets, REFFMTID format)
{
    IPropertyStorage* opened = nullptr;
    if (FAILED(sets.Open(format, STGM_READ | STGM_SHARE_EXCLUSIVE, &opened)))
        return nullptr;
    return ScopedCom<IPropertyStorage>(opened);
}

void ReadSummary(IPropertySetStorage& sets, DocumentInfo& info)
{
    ScopedCom<IPropertyStorage> summary = OpenSet(sets, FMTID_SummaryInformation);
    if (summary == nullptr)
        return;
    const UINT codePage = CodePageOf(*summary);
    const struct {
        PROPID id;
        InfoField field;
        VARTYPE type;
    } wanted[] = {
        {PIDSI_AUTHOR, kInfoAuthor, VT_LPSTR},
        {PIDSI_LASTAUTHOR, kInfoLastSavedBy, VT_LPSTR},
        {PIDSI_CREATE_DTM, kInfoCreated, VT_FILETIME},
        {PIDSI_LASTSAVE_DTM, kInfoLastSaved, VT_FILETIME},
    };
    for (const auto& property : wanted) {
        PROPSPEC selector = {};
        selector.ulKind = PRSPEC_PROPID;
        selector.propid = property.id;
        PropVariantHolder stored;
        // A property of another type than its own is left out.
        if (summary->ReadMultiple(1, &selector, &stored.value) != S_OK || stored.value.vt != property.type)
            continue;
        InfoValue value = {};
        SetValue(value, stored.value, codePage);
        if (value.present && value.text[0] != L'\0')
            info.fields[property.field] = value;
    }
}

void ReadUserDefined(IPropertySetStorage& sets, DocumentInfo& info)
{
    ScopedCom<IPropertyStorage> custom = OpenSet(sets, FMTID_UserDefinedProperties);
    if (custom == nullptr)
        return;
    const UINT codePage = CodePageOf(*custom);
    IEnumSTATPROPSTG* opened = nullptr;
    if (FAILED(custom->Enum(&opened)))
        return;
    ScopedCom<IEnumSTATPROPSTG> properties(opened);
    STATPROPSTG listed = {};
    for (std::uint32_t seen = 0; seen < kMaxUserDefinedEntries && info.customCount < kMaxCustomProperties &&
                                 properties->Next(1, &listed, nullptr) == S_OK;
         ++seen) {
        const bool named = listed.lpwstrName != nullptr && listed.lpwstrName[0] != L'\0';
        CustomProperty& property = info.custom[info.customCount];
        property = {};
        if (named)
            SetInfoText(property.name, listed.lpwstrName,
                        static_cast<std::uint32_t>(wcsnlen(listed.lpwstrName, kMaxInfoTextLength)));
        CoTaskMemFree(listed.lpwstrName);
        if (!named)
            continue;
        PROPSPEC selector = {};
        selector.ulKind = PRSPEC_PROPID;
        selector.propid = listed.propid;
        PropVariantHolder stored;
        if (custom->ReadMultiple(1, &selector, &stored.value) != S_OK)
            continue;
        SetValue(property.value, stored.value, codePage);
        if (property.value.present)
            ++info.customCount;
    }
}

}  // namespace

void ReadCompoundInfo(IStorage& root, DocumentInfo& info)
{
    ReadReleaseStorage(root, info);
    IPropertySetStorage* opened = nullptr;
    if (FAILED(root.QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&opened))))
        return;
    ScopedCom<IPropertySetStorage> sets(opened);
    ReadSummary(*sets, info);
    ReadUserDefined(*sets, info);
}
