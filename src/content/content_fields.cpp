#include "content/content_fields.h"

#include "base/host_exports.h"
#include "base/settings.h"
#include "preview/document_extras.h"

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <new>

namespace {

struct FixedFieldName {
    const wchar_t* name;
    FieldKind kind;
};
constexpr FixedFieldName kFixedFields[kFixedFieldCount] = {
    {L"Saved with", FieldKind::Text},   {L"Release code", FieldKind::Number}, {L"Author", FieldKind::Text},
    {L"Last saved by", FieldKind::Text}, {L"Created", FieldKind::DateTime},    {L"Last saved", FieldKind::DateTime},
    {L"Sheets", FieldKind::Number},      {L"Preview", FieldKind::Boolean},
};
constexpr wchar_t kFullTextFieldName[] = L"All custom properties";
constexpr wchar_t kFullTextSeparator[] = L": ";
constexpr wchar_t kFullTextLineEnd[] = L"\r\n";

// The setting's text: kMaxCustomFields names of the longest length and
// their separators fit.
constexpr unsigned kSettingCapacity = kMaxCustomFields * (kMaxFieldNameLength + 1) + 1;

INIT_ONCE g_fieldsFixed = INIT_ONCE_STATIC_INIT;
ContentField g_fields[kMaxFields];
std::uint32_t g_fieldCount = 0;

bool SameName(const wchar_t* left, const wchar_t* right)
{
    return CompareStringOrdinal(left, -1, right, -1, TRUE) == CSTR_EQUAL;
}

bool IsSpace(wchar_t character)
{
    return character == L' ' || character == L'\t';
}

BOOL CALLBACK FixFieldsOnce(PINIT_ONCE, PVOID, PVOID*)
{
    // One character more than the longest setting taken, so that a full
    // buffer can only mean a setting cut short: its last name may be a piece
    // of one, which is left out rather than made a field.
    static wchar_t setting[kSettingCapacity + 1];
    ReadSettingText(kContentFieldsKey, kDefaultContentFields, setting, kSettingCapacity + 1);
    if (std::wcslen(setting) == kSettingCapacity) {
        wchar_t* lastSeparator = std::wcsrchr(setting, L'|');
        *(lastSeparator != nullptr ? lastSeparator : setting) = L'\0';
    }
    static wchar_t names[kMaxCustomFields][kMaxFieldNameLength + 1];
    const std::uint32_t customCount = ParseContentFieldNames(setting, names);
    std::uint32_t count = 0;
    for (const FixedFieldName& fixed : kFixedFields) {
        std::wcscpy(g_fields[count].name, fixed.name);
        g_fields[count++].kind = fixed.kind;
    }
    for (std::uint32_t i = 0; i < customCount; ++i) {
        std::wcscpy(g_fields[count].name, names[i]);
        g_fields[count++].kind = FieldKind::Text;
    }
    std::wcscpy(g_fields[count].name, kFullTextFieldName);
    g_fields[count++].kind = FieldKind::FullText;
    g_fieldCount = count;
    return TRUE;
}

// The text made one line: whatever a reader may take for a break becomes a
// space.
void SetLine(FieldValue& value, const wchar_t* text)
{
    std::uint32_t at = 0;
    for (; text[at] != L'\0' && at < kMaxInfoTextLength; ++at)
        value.text[at] = TakenForABreak(text[at]) ? L' ' : text[at];
    value.text[at] = L'\0';
    value.present = true;
}

void SetText(FieldValue& value, const InfoValue& info)
{
    if (info.present)
        SetLine(value, info.text);
}

void SetTime(FieldValue& value, const InfoValue& info)
{
    if (!info.present || !info.hasTime)
        return;
    value.time = info.time;
    value.present = true;
}

void SetNumber(FieldValue& value, std::int32_t number)
{
    value.number = number;
    value.present = true;
}

const InfoValue* FindCustom(const DocumentInfo& info, const wchar_t* name)
{
    for (std::uint32_t i = 0; i < info.customCount; ++i) {
        if (SameName(info.custom[i].name, name))
            return &info.custom[i].value;
    }
    return nullptr;
}

std::uint32_t Length(const wchar_t* text)
{
    return static_cast<std::uint32_t>(std::wcslen(text));
}

wchar_t* AppendLine(wchar_t* at, const wchar_t* text)
{
    for (; *text != L'\0'; ++text)
        *at++ = TakenForABreak(*text) ? L' ' : *text;
    return at;
}

wchar_t* AppendRaw(wchar_t* at, const wchar_t* text)
{
    for (; *text != L'\0'; ++text)
        *at++ = *text;
    return at;
}

// Every custom property, one "name: value" line each, in the document's
// order; bounded by the information's own caps.
void SetFullText(DocumentFields& fields, const DocumentInfo& info)
{
    std::uint32_t length = 0;
    for (std::uint32_t i = 0; i < info.customCount; ++i)
        length += Length(info.custom[i].name) + Length(kFullTextSeparator) + Length(info.custom[i].value.text) +
                  Length(kFullTextLineEnd);
    if (length == 0)
        return;
    fields.fullText.reset(static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t))));
    if (fields.fullText == nullptr)
        return;
    wchar_t* at = fields.fullText.get();
    for (std::uint32_t i = 0; i < info.customCount; ++i) {
        at = AppendLine(at, info.custom[i].name);
        at = AppendRaw(at, kFullTextSeparator);
        at = AppendLine(at, info.custom[i].value.text);
        at = AppendRaw(at, kFullTextLineEnd);
    }
    *at = L'\0';
    fields.fullTextLength = length;
}

}  // namespace

std::uint32_t ParseContentFieldNames(const wchar_t* text, wchar_t (*names)[kMaxFieldNameLength + 1])
{
    std::uint32_t count = 0;
    const wchar_t* at = text;
    while (*at != L'\0' && count < kMaxCustomFields) {
        const wchar_t* end = at;
        while (*end != L'\0' && *end != L'|')
            ++end;
        const wchar_t* first = at;
        const wchar_t* last = end;
        while (first < last && IsSpace(*first))
            ++first;
        while (last > first && IsSpace(last[-1]))
            --last;
        const auto length = static_cast<std::uint32_t>(last - first);
        at = *end == L'|' ? end + 1 : end;
        if (length == 0 || length > kMaxFieldNameLength)
            continue;
        std::wmemcpy(names[count], first, length);
        names[count][length] = L'\0';
        // A host finds a field by its name, so a custom one named like a
        // fixed field or the full text could never be asked for.
        bool known = SameName(names[count], kFullTextFieldName);
        for (const FixedFieldName& fixed : kFixedFields)
            known = known || SameName(names[count], fixed.name);
        for (std::uint32_t i = 0; i < count && !known; ++i)
            known = SameName(names[i], names[count]);
        if (!known)
            ++count;
    }
    return count;
}

void FixContentFields()
{
    InitOnceExecuteOnce(&g_fieldsFixed, &FixFieldsOnce, nullptr, nullptr);
}

std::uint32_t ContentFieldCount()
{
    FixContentFields();
    return g_fieldCount;
}

const ContentField* ContentFieldAt(std::uint32_t index)
{
    FixContentFields();
    return index < g_fieldCount ? &g_fields[index] : nullptr;
}

void ReadDocumentFields(const wchar_t* documentPath, DocumentFields& fields)
{
    FixContentFields();
    for (FieldValue& value : fields.values)
        value = {};
    fields.fullText.reset();
    fields.fullTextLength = 0;
    fields.readable = false;

    const std::unique_ptr<DocumentInfo> info(new (std::nothrow) DocumentInfo);
    if (info == nullptr)
        return;
    const bool hasInfo = ReadDocumentInfo(documentPath, *info);
    DocumentExtras extras = {};
    const bool hasExtras = ReadDocumentExtras(documentPath, extras);
    fields.readable = hasInfo || hasExtras;
    if (!fields.readable)
        return;

    FieldValue* values = fields.values;
    SetText(values[kFieldSavedWith], info->fields[kInfoSavedWith]);
    if (info->fields[kInfoSavedWith].present)
        SetNumber(values[kFieldReleaseCode], static_cast<std::int32_t>(info->releaseCode));
    SetText(values[kFieldAuthor], info->fields[kInfoAuthor]);
    SetText(values[kFieldLastSavedBy], info->fields[kInfoLastSavedBy]);
    SetTime(values[kFieldCreated], info->fields[kInfoCreated]);
    SetTime(values[kFieldLastSaved], info->fields[kInfoLastSaved]);
    if (extras.sheetCount > 0)
        SetNumber(values[kFieldSheets], static_cast<std::int32_t>(extras.sheetCount));
    SetNumber(values[kFieldPreview], extras.hasPreview ? 1 : 0);
    for (std::uint32_t index = kFixedFieldCount; index < g_fieldCount; ++index) {
        if (g_fields[index].kind != FieldKind::Text)
            continue;
        const InfoValue* custom = FindCustom(*info, g_fields[index].name);
        if (custom != nullptr)
            SetText(values[index], *custom);
    }
    SetFullText(fields, *info);
}
