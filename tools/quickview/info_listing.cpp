#include "info_listing.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text, std::size_t length)
{
    if (length == 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &converted[0], size, nullptr, nullptr);
    return converted;
}

// A file's name may hold a line or paragraph separator: printed as a
// space, as the plugin prints those of the rows, so that a line is a row.
std::wstring OneLine(std::wstring text)
{
    for (wchar_t& character : text)
        if (TakenForABreak(character))
            character = L' ';
    return text;
}

}  // namespace

int ListDocumentInfo(const PluginLibrary& plugin, const QuickviewOptions& options)
{
    // Bytes as they are: UTF-8 with plain line ends, whatever the console.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<wchar_t> text(kDocumentInfoTextCapacity);
    int status = 0;
    for (const std::wstring& file : options.files) {
        if (plugin.documentInfoW(file.c_str(), text.data(), static_cast<int>(text.size())) != kStatusSuccess) {
            std::fprintf(stderr, "%ls: the plugin refused to read it\n", file.c_str());
            status = 1;
            continue;
        }
        const std::wstring name = OneLine(file);
        const std::string prefix = Utf8(name.c_str(), name.size()) + "\t";
        // Rows end in CR LF; each is printed behind the file's name.
        const wchar_t* row = text.data();
        for (const wchar_t* end = row; *end != L'\0'; ++end) {
            if (*end != L'\n')
                continue;
            const std::size_t length = static_cast<std::size_t>(end - row) - (end > row && end[-1] == L'\r' ? 1 : 0);
            const std::string line = prefix + Utf8(row, length) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
            row = end + 1;
        }
    }
    std::fflush(stdout);
    return status;
}
