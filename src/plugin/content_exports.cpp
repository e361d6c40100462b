// The content module's exports: each checks what the host passes, converts,
// and calls one function of the field layer. None shows a box.
#include "base/content_contract.h"
#include "base/floating_point_guard.h"
#include "base/module_state.h"
#include "base/wide_path.h"
#include "content/content_fields.h"
#include "content/field_cache.h"
#include "plugin/detect_string.h"
#include "plugin/settings_path.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace {

int TypeOf(FieldKind kind, bool wide)
{
    switch (kind) {
    case FieldKind::Number:
        return kFieldNumeric32;
    case FieldKind::DateTime:
        return kFieldDateTime;
    case FieldKind::Boolean:
        return kFieldBoolean;
    case FieldKind::FullText:
        return wide ? kFieldFullTextW : kFieldFullText;
    case FieldKind::Text:
        break;
    }
    return wide ? kFieldStringW : kFieldString;
}

int ResultOf(FieldResult result)
{
    return result == FieldResult::FileError ? kFieldFileError : kFieldEmpty;
}

// A value of a fixed size, written when the host's buffer holds it.
template <typename Value>
int WriteFixed(void* fieldValue, int maxlen, const Value& value, int type)
{
    if (maxlen < static_cast<int>(sizeof value))
        return kFieldEmpty;
    std::memcpy(fieldValue, &value, sizeof value);
    return type;
}

// The text in the host's code page, cut to the buffer's maxlen bytes.
int WriteAnsi(const wchar_t* text, void* fieldValue, int maxlen, int type)
{
    auto* out = static_cast<char*>(fieldValue);
    const int written = WideCharToMultiByte(CP_ACP, 0, text, -1, out, maxlen, nullptr, nullptr);
    if (written > 0)
        return type;
    // Too long for the buffer: the characters that fit, from a copy cut short.
    // A code page of several bytes a character fails with fewer characters
    // than bytes: never copy past the text's end, nor keep half a pair.
    const int characters = maxlen - 1;
    wchar_t cut[kMaxInfoTextLength + 1];
    int kept = characters < static_cast<int>(kMaxInfoTextLength) ? characters : kMaxInfoTextLength;
    const int length = static_cast<int>(std::wcslen(text));
    kept = kept < length ? kept : length;
    for (int count = kept; count > 0; --count) {
        if (text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF)
            continue;
        std::wmemcpy(cut, text, count);
        cut[count] = L'\0';
        if (WideCharToMultiByte(CP_ACP, 0, cut, -1, out, maxlen, nullptr, nullptr) > 0)
            return type;
    }
    return kFieldEmpty;
}

int WriteWide(const wchar_t* text, void* fieldValue, int maxlen, int type)
{
    const int capacity = maxlen / static_cast<int>(sizeof(wchar_t));
    if (capacity < 1)
        return kFieldEmpty;
    auto* out = static_cast<wchar_t*>(fieldValue);
    int count = static_cast<int>(std::wcslen(text));
    if (count > capacity - 1) {
        count = capacity - 1;
        // Not inside a pair of surrogates.
        if (count > 0 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF)
            --count;
    }
    std::wmemcpy(out, text, count);
    out[count] = L'\0';
    return type;
}

int GetFullText(const wchar_t* documentPath, int unitIndex, void* fieldValue, int maxlen, bool wide)
{
    // The open-source host counts a wide piece's offset in bytes.
    const auto from = static_cast<std::uint32_t>(wide ? unitIndex / 2 : unitIndex);
    // A DBCS code page takes at most two bytes for each UTF-16 unit.
    const int characters = wide ? maxlen / 2 : (maxlen - 1) / 2 + 1;
    wchar_t piece[1024];
    const std::uint32_t capacity =
        characters < static_cast<int>(sizeof piece / sizeof piece[0]) ? characters : sizeof piece / sizeof piece[0];
    std::uint32_t copied = 0;
    if (characters < 2)
        return kFieldEmpty;
    const FieldResult result = GetDocumentFullText(documentPath, from, piece, capacity, &copied);
    if (result != FieldResult::Value)
        return ResultOf(result);
    return wide ? WriteWide(piece, fieldValue, maxlen, kFieldFullTextW)
                : WriteAnsi(piece, fieldValue, maxlen, kFieldFullText);
}

int GetValue(const wchar_t* documentPath, int fieldIndex, int unitIndex, void* fieldValue, int maxlen, bool wide)
{
    const ContentField* field = fieldIndex >= 0 ? ContentFieldAt(static_cast<std::uint32_t>(fieldIndex)) : nullptr;
    if (field == nullptr)
        return kFieldNoSuchField;
    // The host is done with a full text: nothing is held for it.
    if (field->kind == FieldKind::FullText && unitIndex < 0)
        return kFieldEmpty;
    if (documentPath == nullptr || fieldValue == nullptr || maxlen <= 0)
        return kFieldFileError;
    if (field->kind == FieldKind::FullText)
        return GetFullText(documentPath, unitIndex, fieldValue, maxlen, wide);
    FieldValue value = {};
    const FieldResult result = GetDocumentField(documentPath, static_cast<std::uint32_t>(fieldIndex), value);
    if (result != FieldResult::Value)
        return ResultOf(result);
    const int type = TypeOf(field->kind, wide);
    switch (field->kind) {
    case FieldKind::Number:
    case FieldKind::Boolean:
        return WriteFixed(fieldValue, maxlen, value.number, type);
    case FieldKind::DateTime:
        return WriteFixed(fieldValue, maxlen, value.time, type);
    case FieldKind::Text:
    case FieldKind::FullText:
        break;
    }
    if (value.text[0] == L'\0')
        return kFieldEmpty;
    return wide ? WriteWide(value.text, fieldValue, maxlen, type) : WriteAnsi(value.text, fieldValue, maxlen, type);
}

}  // namespace

extern "C" int __stdcall ContentGetDetectString(char* detectString, int maxlen)
{
    const FloatingPointGuard floatingPoint;
    // The host's maxlen is the buffer's size, terminator included.
    CopyDetectString(detectString, maxlen - 1);
    return 0;
}

extern "C" void __stdcall ContentSetDefaultParams(const HostParameterRecord* parameters)
{
    const FloatingPointGuard floatingPoint;
    // The viewer's file, found the same way; this module never creates it,
    // as that takes a box to say so.
    wchar_t settingsPath[kWidePathCapacity];
    if (WorkOutSettingsPath(parameters, settingsPath))
        PublishSettingsPath(settingsPath);
    FixContentFields();
}

extern "C" int __stdcall ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxlen)
{
    const FloatingPointGuard floatingPoint;
    if (units != nullptr && maxlen > 0)
        units[0] = '\0';
    const ContentField* field = fieldIndex >= 0 ? ContentFieldAt(static_cast<std::uint32_t>(fieldIndex)) : nullptr;
    if (field == nullptr)
        return kFieldNoMoreFields;
    if (fieldName != nullptr && maxlen > 0 && WriteAnsi(field->name, fieldName, maxlen, 0) != 0)
        fieldName[0] = '\0';
    // A full text is declared ANSI even though ContentGetValueW hands it
    // over as UTF-16: a host turns the text a user searches for into a value
    // of the declared type, and the file manager has no such conversion for
    // the wide full-text type, so searching a field declared so finds
    // nothing. Hosts read the wide type back from ContentGetValueW either way.
    return field->kind == FieldKind::FullText ? kFieldFullText : TypeOf(field->kind, true);
}

extern "C" int __stdcall ContentGetValueW(const wchar_t* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                          int maxlen, int /*flags*/)
{
    const FloatingPointGuard floatingPoint;
    return GetValue(fileName, fieldIndex, unitIndex, fieldValue, maxlen, true);
}

extern "C" int __stdcall ContentGetValue(const char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                         int maxlen, int /*flags*/)
{
    const FloatingPointGuard floatingPoint;
    if (fileName == nullptr)
        return GetValue(nullptr, fieldIndex, unitIndex, fieldValue, maxlen, false);
    wchar_t widePath[kWidePathCapacity];
    ToWidePath(widePath, fileName);
    return GetValue(widePath, fieldIndex, unitIndex, fieldValue, maxlen, false);
}

extern "C" int __stdcall ContentGetSupportedFieldFlags(int /*fieldIndex*/)
{
    const FloatingPointGuard floatingPoint;
    // Nothing to edit, nothing the host should substitute.
    return 0;
}

extern "C" int __stdcall ContentGetDefaultSortOrder(int /*fieldIndex*/)
{
    const FloatingPointGuard floatingPoint;
    return kSortAscending;
}

extern "C" void __stdcall ContentStopGetValue(const char* /*fileName*/)
{
    const FloatingPointGuard floatingPoint;
    // A read is bounded by the document's budget and holds nothing open
    // once it returns: there is nothing to stop.
}

extern "C" void __stdcall ContentPluginUnloading()
{
    const FloatingPointGuard floatingPoint;
    ForgetCachedDocuments();
}

static_assert(std::is_same_v<decltype(&ContentGetDetectString), ContentGetDetectStringFunction>);
static_assert(std::is_same_v<decltype(&ContentSetDefaultParams), ContentSetDefaultParamsFunction>);
static_assert(std::is_same_v<decltype(&ContentGetSupportedField), ContentGetSupportedFieldFunction>);
static_assert(std::is_same_v<decltype(&ContentGetValueW), ContentGetValueWFunction>);
static_assert(std::is_same_v<decltype(&ContentGetValue), ContentGetValueFunction>);
static_assert(std::is_same_v<decltype(&ContentGetSupportedFieldFlags), ContentGetSupportedFieldFlagsFunction>);
static_assert(std::is_same_v<decltype(&ContentGetDefaultSortOrder), ContentGetDefaultSortOrderFunction>);
static_assert(std::is_same_v<decltype(&ContentStopGetValue), ContentStopGetValueFunction>);
static_assert(std::is_same_v<decltype(&ContentPluginUnloading), ContentPluginUnloadingFunction>);
