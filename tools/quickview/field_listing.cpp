#include "field_listing.h"

#include "base/host_exports.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The open-source host's value buffer: 2 KiB and one byte.
constexpr int kValueBytes = 2049;
// A full text past this many pieces is cut: no document's custom
// properties fill them.
constexpr int kMaxFullTextPieces = 4096;

struct Field {
    std::wstring name;
    int type;
};

std::vector<Field> FieldsOf(const ContentLibrary& content)
{
    std::vector<Field> fields;
    for (int index = 0;; ++index) {
        char name[260] = {};
        char units[260] = {};
        const int type = content.getSupportedField(index, name, units, sizeof name);
        if (type == kFieldNoMoreFields)
            break;
        wchar_t wide[260] = {};
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 260);
        fields.push_back({wide, type});
    }
    return fields;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &converted[0], size, nullptr,
                            nullptr);
    return converted;
}

std::wstring OneLine(std::wstring text)
{
    for (wchar_t& character : text)
        if (TakenForABreak(character))
            character = L' ';
    return text;
}

std::wstring IsoTime(const FILETIME& time)
{
    SYSTEMTIME system = {};
    if (!FileTimeToSystemTime(&time, &system))
        return {};
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", system.wYear, system.wMonth, system.wDay, system.wHour,
                  system.wMinute, system.wSecond);
    return text;
}

// The whole full text, piece by piece from offset 0, each offset counted
// in bytes as the host counts it; -1 at the end.
int FullText(const ContentLibrary& content, const std::wstring& file, int index, std::wstring* text)
{
    int result = kFieldEmpty;
    int unitIndex = 0;
    for (int piece = 0; piece < kMaxFullTextPieces; ++piece) {
        alignas(8) unsigned char buffer[kValueBytes] = {};
        const int type = content.getValueW(file.c_str(), index, unitIndex, buffer, sizeof buffer, 0);
        if (piece == 0)
            result = type;
        if (type != kFieldFullTextW)
            break;
        const wchar_t* chunk = reinterpret_cast<const wchar_t*>(buffer);
        const std::size_t length = std::wcslen(chunk);
        if (length == 0)
            break;
        text->append(chunk, length);
        unitIndex += static_cast<int>(length * sizeof(wchar_t));
    }
    content.getValueW(file.c_str(), index, kFullTextDone, nullptr, 0, 0);
    return result;
}

// The field's value as text; the result the module gave.
int ValueText(const ContentLibrary& content, const std::wstring& file, int index, int type, std::wstring* text)
{
    // Declared as either full-text type; the W export hands UTF-16 over.
    if (type == kFieldFullText || type == kFieldFullTextW)
        return FullText(content, file, index, text);
    alignas(8) unsigned char buffer[kValueBytes] = {};
    const int result = content.getValueW(file.c_str(), index, 0, buffer, sizeof buffer, 0);
    std::int32_t number = 0;
    FILETIME time = {};
    switch (result) {
    case kFieldNumeric32:
        std::memcpy(&number, buffer, sizeof number);
        *text = std::to_wstring(number);
        break;
    case kFieldBoolean:
        std::memcpy(&number, buffer, sizeof number);
        *text = number != 0 ? L"true" : L"false";
        break;
    case kFieldDateTime:
        std::memcpy(&time, buffer, sizeof time);
        *text = IsoTime(time);
        break;
    case kFieldStringW:
        *text = reinterpret_cast<const wchar_t*>(buffer);
        break;
    default:
        break;
    }
    return result;
}

}  // namespace

int ListDocumentFields(const ContentLibrary& content, const QuickviewOptions& options)
{
    // Bytes as they are: UTF-8 with plain line ends, whatever the console.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::vector<Field> fields = FieldsOf(content);
    for (const std::wstring& file : options.files) {
        std::string lines;
        bool readable = true;
        for (std::size_t index = 0; index < fields.size() && readable; ++index) {
            std::wstring text;
            const int result = ValueText(content, file, static_cast<int>(index), fields[index].type, &text);
            readable = result != kFieldFileError;
            lines += Utf8(OneLine(file)) + "\t" + Utf8(OneLine(fields[index].name)) + "\t" + Utf8(OneLine(text)) + "\n";
        }
        if (!readable) {
            std::fprintf(stderr, "%ls: not a document the content module can read\n", file.c_str());
            continue;
        }
        std::fwrite(lines.data(), 1, lines.size(), stdout);
    }
    std::fflush(stdout);
    return 0;
}
