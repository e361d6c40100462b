#include "info/info_property_sets.h"

#include "base/scoped_malloc.h"
#include "base/win32_holders.h"
#include "info/document_facts.h"
#include "info/property_set.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

// Storages under a document's root: real documents have a few dozen.
constexpr std::uint32_t kMaxRootElements = 4096;
// Entries of the user-defined set looked at, shown or not (unnamed ones,
// values of other types): a few times the most that are shown.
constexpr std::uint32_t kMaxUserDefinedEntries = 4 * kMaxCustomProperties;
// A narrow string takes at most this many bytes a character.
constexpr int kMaxBytesPerCharacter = 4;
// A set is read whole into memory of ours, so it shares the archive's
// records' cap.
static_assert(kMaxPropertySetBytes == kMaxInfoRecordBytes, "one cap for every information record");
constexpr wchar_t kSummaryStreamName[] = L"\005SummaryInformation";
constexpr wchar_t kDocumentSummaryStreamName[] = L"\005DocumentSummaryInformation";
constexpr DWORD kStreamMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

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

// A set's stream in memory of ours, read only when the storage's directory
// gives it a size within the cap: the platform's own property sets parse a
// whole stream, however large, when it is opened. Null when there is none.
ScopedMalloc<unsigned char> ReadSetStream(IStorage& root, const wchar_t* name, std::uint32_t* size)
{
    *size = 0;
    IStream* opened = nullptr;
    if (FAILED(root.OpenStream(name, nullptr, kStreamMode, 0, &opened)))
        return nullptr;
    ScopedCom<IStream> stream(opened);
    STATSTG status = {};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart == 0 ||
        status.cbSize.QuadPart > kMaxInfoRecordBytes)
        return nullptr;
    const auto wanted = static_cast<ULONG>(status.cbSize.QuadPart);
    ScopedMalloc<unsigned char> bytes(static_cast<unsigned char*>(std::malloc(wanted)));
    ULONG delivered = 0;
    if (bytes == nullptr || FAILED(stream->Read(bytes.get(), wanted, &delivered)) || delivered != wanted)
        return nullptr;
    *size = wanted;
    return bytes;
}

// Text of the stream into a value or name: UTF-16 as it is, narrow text
// through the platform's conversion from the section's code page (the
// system's when it names none). False when it cannot be converted.
bool SetText(wchar_t* destination, const PropertyText& text, std::uint32_t codePage)
{
    // One unit past a row, so that the cut sees a pair it would split.
    constexpr std::uint32_t kMostUnits = kMaxInfoTextLength + 1;
    if (text.wide) {
        wchar_t units[kMostUnits];
        std::uint32_t count = 0;
        for (; count < kMostUnits && 2 * count < text.size; ++count)
            units[count] = static_cast<wchar_t>(text.bytes[2 * count] | text.bytes[2 * count + 1] << 8);
        SetInfoText(destination, units, count);
        return true;
    }
    // Cut in bytes first, to what can make a row's characters and a few
    // more, then to the row's characters.
    constexpr int kMostBytes = kMaxBytesPerCharacter * kMostUnits;
    const int length = text.size < static_cast<std::uint32_t>(kMostBytes) ? static_cast<int>(text.size) : kMostBytes;
    wchar_t converted[kMostBytes];
    const int made =
        length == 0 ? 0
                    : MultiByteToWideChar(codePage == 0 ? CP_ACP : codePage, 0,
                                          reinterpret_cast<const char*>(text.bytes), length, converted, kMostBytes);
    if (made <= 0 && length > 0)
        return false;
    SetInfoText(destination, converted, static_cast<std::uint32_t>(made > 0 ? made : 0));
    return true;
}

void SetNumber(InfoValue& value, const wchar_t* format, double number)
{
    std::swprintf(value.text, kMaxInfoTextLength + 1, format, number);
    value.present = true;
}

// The value in text, as stored: numbers in decimal, truth values as the
// archive writes them, dates in ISO 8601.
void SetValue(InfoValue& value, const PropertyValue& stored, std::uint32_t codePage)
{
    switch (stored.type) {
    case kTypeNarrowText:
    case kTypeWideText:
        value.present = SetText(value.text, stored.text, codePage);
        return;
    case kTypeI2:
    case kTypeI4:
    case kTypeUi4:
        SetNumber(value, L"%.0f", static_cast<double>(stored.integer));
        return;
    case kTypeR8:
        SetNumber(value, L"%.17g", stored.real);
        // The shortest form that reads back as the same number.
        for (int digits = 1; digits < 17; ++digits) {
            wchar_t shorter[32] = {};
            std::swprintf(shorter, 32, L"%.*g", digits, stored.real);
            if (std::wcstod(shorter, nullptr) == stored.real) {
                SetInfoText(value.text, shorter, static_cast<std::uint32_t>(std::wcslen(shorter)));
                break;
            }
        }
        return;
    case kTypeBool:
        SetInfoText(value.text, stored.truth ? L"true" : L"false", stored.truth ? 4 : 5);
        value.present = true;
        return;
    case kTypeFileTime: {
        FILETIME time = {};
        time.dwLowDateTime = static_cast<DWORD>(stored.fileTime);
        time.dwHighDateTime = static_cast<DWORD>(stored.fileTime >> 32);
        SetDate(value, time);
        return;
    }
    default:
        return;
    }
}

void ReadSummary(IStorage& root, DocumentInfo& info)
{
    std::uint32_t size = 0;
    const ScopedMalloc<unsigned char> stream = ReadSetStream(root, kSummaryStreamName, &size);
    PropertySection summary = {};
    if (stream == nullptr ||
        FindPropertySection(stream.get(), size, kSummaryInformationFormat, summary) != PropertySetRefusal::None)
        return;
    const struct {
        std::uint32_t id;
        InfoField field;
        std::uint16_t type;
    } wanted[] = {
        {kAuthorPropertyId, kInfoAuthor, kTypeNarrowText},
        {kLastAuthorPropertyId, kInfoLastSavedBy, kTypeNarrowText},
        {kCreatedPropertyId, kInfoCreated, kTypeFileTime},
        {kLastSavedPropertyId, kInfoLastSaved, kTypeFileTime},
    };
    for (const auto& property : wanted) {
        PropertyValue stored = {};
        // A property of another type than its own is left out.
        if (ReadProperty(summary, property.id, stored) != PropertySetRefusal::None || stored.type != property.type)
            continue;
        InfoValue value = {};
        SetValue(value, stored, summary.codePage);
        if (value.present && value.text[0] != L'\0')
            info.fields[property.field] = value;
    }
}

void ReadUserDefined(IStorage& root, DocumentInfo& info)
{
    std::uint32_t size = 0;
    const ScopedMalloc<unsigned char> stream = ReadSetStream(root, kDocumentSummaryStreamName, &size);
    PropertySection custom = {};
    if (stream == nullptr ||
        FindPropertySection(stream.get(), size, kUserDefinedPropertiesFormat, custom) != PropertySetRefusal::None)
        return;
    // Names past a damaged entry are lost, and so are their properties.
    PropertyDictionary names;
    ReadPropertyDictionary(custom, names);
    const std::uint32_t entries = custom.count < kMaxUserDefinedEntries ? custom.count : kMaxUserDefinedEntries;
    for (std::uint32_t index = 0; index < entries && info.customCount < kMaxCustomProperties; ++index) {
        const std::uint32_t id = PropertyIdAt(custom, index);
        const PropertyText* name = FindPropertyName(names, id);
        if (id == kDictionaryPropertyId || id == kCodePagePropertyId || name == nullptr || name->size == 0)
            continue;
        PropertyValue stored = {};
        if (ReadPropertyAt(custom, index, stored) != PropertySetRefusal::None)
            continue;
        CustomProperty& property = info.custom[info.customCount];
        property = {};
        if (!SetText(property.name, *name, custom.codePage) || property.name[0] == L'\0')
            continue;
        SetValue(property.value, stored, custom.codePage);
        if (property.value.present)
            ++info.customCount;
    }
}

}  // namespace

void ReadCompoundInfo(IStorage& root, DocumentInfo& info)
{
    ReadReleaseStorage(root, info);
    ReadSummary(root, info);
    ReadUserDefined(root, info);
}
