#include "info/info_xml.h"

#include "base/win32_holders.h"
#include "info/document_facts.h"

#include <objbase.h>
#include <xmllite.h>

#include <cstring>
#include <cwchar>

namespace {

// The section of the custom record that holds the values.
constexpr wchar_t kUserDefinedSection[] = L"UserDefinedProperties";
// The records are a handful of levels deep; deeper nesting is no record's.
constexpr LONG_PTR kMaxElementDepth = 32;

// A reader over the record's bytes, DTDs prohibited, so that no entity is
// ever defined, let alone expanded.
ScopedCom<IXmlReader> OpenReader(const unsigned char* bytes, std::uint32_t size)
{
    if (bytes == nullptr || size == 0 || size > kMaxInfoRecordBytes)
        return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr)
        return nullptr;
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(memory);
    IStream* opened = nullptr;
    // The stream frees the memory when it goes.
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &opened))) {
        GlobalFree(memory);
        return nullptr;
    }
    ScopedCom<IStream> stream(opened);
    IXmlReader* created = nullptr;
    if (FAILED(CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&created), nullptr)))
        return nullptr;
    ScopedCom<IXmlReader> reader(created);
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxElementDepth)) ||
        FAILED(reader->SetInput(stream.get())))
        return nullptr;
    return reader;
}

bool LocalNameIs(IXmlReader& reader, const wchar_t* wanted)
{
    const wchar_t* name = nullptr;
    UINT length = 0;
    return SUCCEEDED(reader.GetLocalName(&name, &length)) && name != nullptr && std::wcslen(wanted) == length &&
           std::wmemcmp(name, wanted, length) == 0;
}

// An attribute's value, copied while the reader stands on it: its first
// characters, cut as a row's text is, and its whole length.
struct AttributeValue {
    wchar_t text[kMaxInfoTextLength + 1];
    UINT length;
};

// The value of an attribute of the element the reader stands on; false
// when it has none of that name. The reader is back on the element after.
bool AttributeText(IXmlReader& reader, const wchar_t* localName, AttributeValue& value)
{
    HRESULT moved = reader.MoveToFirstAttribute();
    bool found = false;
    for (; moved == S_OK && !found; moved = reader.MoveToNextAttribute()) {
        const wchar_t* text = nullptr;
        UINT length = 0;
        if (!LocalNameIs(reader, localName) || FAILED(reader.GetValue(&text, &length)) || text == nullptr)
            continue;
        SetInfoText(value.text, text, length);
        value.length = length;
        found = true;
    }
    reader.MoveToElement();
    return found;
}

// How the text of an element was read.
enum class ElementRead {
    Text,    // its text, cut to a row's length
    Nested,  // it holds an element: no text of its own to show
    Broken,  // the record ends or does not parse
};

// The text of the element the reader stands on, to its end tag, cut to the
// longest value kept. An element inside it is read past, to its end.
ElementRead ElementText(IXmlReader& reader, InfoValue& value)
{
    value.text[0] = L'\0';
    if (reader.IsEmptyElement())
        return ElementRead::Text;
    std::uint32_t kept = 0;
    std::uint32_t nested = 0;
    bool holdsElement = false;
    bool cut = false;
    XmlNodeType node = XmlNodeType_None;
    while (reader.Read(&node) == S_OK) {
        if (node == XmlNodeType_Element) {
            holdsElement = true;
            nested += reader.IsEmptyElement() ? 0 : 1;
            continue;
        }
        if (node == XmlNodeType_EndElement) {
            if (nested == 0)
                return holdsElement ? ElementRead::Nested : ElementRead::Text;
            --nested;
            continue;
        }
        if (nested != 0 || (node != XmlNodeType_Text && node != XmlNodeType_CDATA && node != XmlNodeType_Whitespace))
            continue;
        const wchar_t* text = nullptr;
        UINT length = 0;
        if (FAILED(reader.GetValue(&text, &length)) || text == nullptr)
            return ElementRead::Broken;
        if (cut)
            continue;
        const std::uint32_t room = kMaxInfoTextLength - kept;
        const std::uint32_t taken = WholeCharacters(text, length, length < room ? length : room);
        // A pair may straddle two pieces of text; cut where the second
        // piece is left out, the first's high surrogate goes with it.
        if (taken == 0 && length > 0 && kept > 0 && value.text[kept - 1] >= 0xD800 && value.text[kept - 1] <= 0xDBFF)
            --kept;
        std::wmemcpy(value.text + kept, text, taken);
        kept += taken;
        value.text[kept] = L'\0';
        // Once cut, the value ends there: a later piece would follow a gap.
        cut = taken < length;
    }
    return ElementRead::Broken;
}

// Dates are shown in local time: the stored text gives the instant too.
void TakeStoredDate(InfoValue& value)
{
    std::int64_t seconds = 0;
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings are UTF-16");
    if (!ParseStoredDate(reinterpret_cast<const char16_t*>(value.text), std::wcslen(value.text), &seconds))
        return;
    const auto ticks = static_cast<std::uint64_t>(seconds) * 10000000u;
    value.hasTime = true;
    value.time.dwLowDateTime = static_cast<DWORD>(ticks);
    value.time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

struct CoreElement {
    const wchar_t* localName;
    InfoField field;
    bool date;
};
constexpr CoreElement kCoreElements[] = {
    {L"creator", kInfoAuthor, false},
    {L"lastModifiedBy", kInfoLastSavedBy, false},
    {L"created", kInfoCreated, true},
    {L"modified", kInfoLastSaved, true},
};

// One property element: its name and pid, then its value child's text.
// False when the record does not parse; *shown false when the property is
// not one to show.
bool ReadProperty(IXmlReader& reader, CustomProperty& property, bool* shown)
{
    *shown = false;
    AttributeValue name = {};
    const bool named = AttributeText(reader, L"name", name) && name.length > 0;
    if (named)
        SetInfoText(property.name, name.text, name.length);
    AttributeValue pid = {};
    bool hidden = false;
    if (AttributeText(reader, L"pid", pid)) {
        // A pid that is no number is no value's either.
        std::uint64_t number = 0;
        hidden = pid.length == 0 || pid.length > 10;
        for (UINT i = 0; i < pid.length && !hidden; ++i) {
            hidden = pid.text[i] < L'0' || pid.text[i] > L'9';
            number = number * 10 + static_cast<std::uint64_t>(pid.text[i] - L'0');
        }
        hidden = hidden || number >= kFirstFormulaPid;
    }
    if (reader.IsEmptyElement())
        return true;
    bool valueRead = false;
    XmlNodeType node = XmlNodeType_None;
    while (reader.Read(&node) == S_OK) {
        if (node == XmlNodeType_EndElement) {
            *shown = named && !hidden && valueRead;
            return true;
        }
        if (node != XmlNodeType_Element)
            continue;
        // One typed value child of text; a second one, or one holding
        // elements (a vector), leaves the value unclear.
        hidden = hidden || valueRead;
        const bool date = LocalNameIs(reader, L"filetime");
        const ElementRead read = ElementText(reader, property.value);
        if (read == ElementRead::Broken)
            return false;
        hidden = hidden || read == ElementRead::Nested;
        property.value.present = true;
        if (date)
            TakeStoredDate(property.value);
        valueRead = true;
    }
    return false;
}

}  // namespace

void ReadCoreRecord(const unsigned char* bytes, std::uint32_t size, DocumentInfo& info)
{
    ScopedCom<IXmlReader> reader = OpenReader(bytes, size);
    if (reader == nullptr)
        return;
    // Kept aside until the record has parsed to its end.
    InfoValue found[kInfoFieldCount] = {};
    XmlNodeType node = XmlNodeType_None;
    HRESULT status = S_OK;
    while ((status = reader->Read(&node)) == S_OK) {
        UINT depth = 0;
        if (node != XmlNodeType_Element || FAILED(reader->GetDepth(&depth)) || depth != 1)
            continue;
        for (const CoreElement& element : kCoreElements) {
            if (!LocalNameIs(*reader, element.localName))
                continue;
            InfoValue value = {};
            const ElementRead read = ElementText(*reader, value);
            if (read == ElementRead::Broken)
                return;
            // An element of elements has no text to show, and its row goes.
            value.present = read == ElementRead::Text && value.text[0] != L'\0';
            if (element.date)
                TakeStoredDate(value);
            found[element.field] = value;
            break;
        }
    }
    if (status != S_FALSE)
        return;
    for (std::uint32_t field = 0; field < kInfoFieldCount; ++field)
        if (found[field].present)
            info.fields[field] = found[field];
}

void ReadCustomRecord(const unsigned char* bytes, std::uint32_t size, DocumentInfo& info)
{
    ScopedCom<IXmlReader> reader = OpenReader(bytes, size);
    if (reader == nullptr)
        return;
    const std::uint32_t before = info.customCount;
    UINT sectionDepth = 0;  // of the section being read, 0 outside it (the root is at 0)
    XmlNodeType node = XmlNodeType_None;
    HRESULT status = S_OK;
    while (info.customCount < kMaxCustomProperties && (status = reader->Read(&node)) == S_OK) {
        UINT depth = 0;
        if (node != XmlNodeType_Element)
            continue;
        if (FAILED(reader->GetDepth(&depth)))
            break;
        // An element no deeper than the section is past its end.
        if (sectionDepth != 0 && depth <= sectionDepth)
            sectionDepth = 0;
        if (sectionDepth == 0) {
            AttributeValue name = {};
            if (LocalNameIs(*reader, L"propertySection") && !reader->IsEmptyElement() &&
                AttributeText(*reader, L"name", name) && std::wcscmp(name.text, kUserDefinedSection) == 0 &&
                name.length == std::wcslen(kUserDefinedSection))
                sectionDepth = depth;
            continue;
        }
        if (depth != sectionDepth + 1 || !LocalNameIs(*reader, L"property"))
            continue;
        CustomProperty& property = info.custom[info.customCount];
        property = {};
        bool shown = false;
        if (!ReadProperty(*reader, property, &shown)) {
            status = E_FAIL;
            break;
        }
        if (shown)
            ++info.customCount;
    }
    // A record that does not parse gives no rows; one cut at the cap keeps
    // those it gave.
    if (status != S_OK && status != S_FALSE)
        info.customCount = before;
}
