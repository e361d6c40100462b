#include "command_line.h"

#include "base/host_contract.h"

#include <cwctype>

const wchar_t kQuickviewUsage[] =
    L"usage: quickview FILE...                       view; Space/N next, P previous, F fit, L fit only larger,\n"
    L"                                               C centre, Ctrl+C copy, Ctrl+P print, Esc quit\n"
    L"                                               Ctrl+Page Down/Up next/previous sheet of a drawing;\n"
    L"                                               Ctrl+wheel, + and - zoom, 0 natural size, drag to pan\n"
    L"       quickview --screenshot OUT.png [--size WxH] [--flags N] [--sheet N] FILE\n"
    L"       quickview --thumbnails OUTDIR [--box WxH] FILE...\n"
    L"       quickview --info FILE...                 each document's information, a line a row:\n"
    L"                                               FILE<TAB>PROPERTY<TAB>VALUE in UTF-8\n"
    L"       quickview --fields FILE...               every field of corvelle.wdx64 for each file, a line each:\n"
    L"                                               FILE<TAB>FIELD<TAB>VALUE in UTF-8\n"
    L"       --true-color (with any of them): show the documents' true-colour pictures\n"
    L"       --dark (viewing, screenshots): a dark host that wants dark controls\n"
    L"       --sheet N: the drawing's sheet N (0-based, in the order of its tabs)\n"
    L"       --dpi N (viewing, screenshots): the window at N DPI, 96 to 480 (144 is 150 %); under Wine\n"
    L"                                               through the prefix's LogPixels, put back afterwards\n";

namespace {

// 100 % to 500 %, the platform's own range of scales.
constexpr int kLowestDpi = 96;
constexpr int kHighestDpi = 480;

bool ParsePositive(const std::wstring& text, int limit, int* value)
{
    if (text.empty() || text.size() > 5)
        return false;
    int result = 0;
    for (wchar_t character : text) {
        if (character < L'0' || character > L'9')
            return false;
        result = result * 10 + (character - L'0');
    }
    if (result < 1 || result > limit)
        return false;
    *value = result;
    return true;
}

// A drawing has at most 256 sheets, numbered from 0.
bool ParseSheetNumber(const std::wstring& text, int* sheet)
{
    if (text == L"0") {
        *sheet = 0;
        return true;
    }
    return text[0] != L'0' && ParsePositive(text, 255, sheet);
}

std::wstring Lowercase(std::wstring text)
{
    for (wchar_t& character : text)
        character = static_cast<wchar_t>(std::towlower(character));
    return text;
}

}  // namespace

bool ParseSize(const std::wstring& text, int* width, int* height)
{
    const std::size_t separator = text.find_first_of(L"xX");
    if (separator == std::wstring::npos)
        return false;
    int parsedWidth = 0;
    int parsedHeight = 0;
    if (!ParsePositive(text.substr(0, separator), 16384, &parsedWidth) ||
        !ParsePositive(text.substr(separator + 1), 16384, &parsedHeight))
        return false;
    *width = parsedWidth;
    *height = parsedHeight;
    return true;
}

bool ParseFlags(const std::wstring& text, int* flags)
{
    const bool hexadecimal = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    const std::wstring digits = hexadecimal ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hexadecimal ? 8u : 10u))
        return false;
    unsigned long long value = 0;
    for (wchar_t character : digits) {
        int digit = -1;
        if (character >= L'0' && character <= L'9')
            digit = character - L'0';
        else if (hexadecimal && character >= L'a' && character <= L'f')
            digit = character - L'a' + 10;
        else if (hexadecimal && character >= L'A' && character <= L'F')
            digit = character - L'A' + 10;
        if (digit < 0)
            return false;
        value = value * (hexadecimal ? 16 : 10) + static_cast<unsigned>(digit);
    }
    if (value > 0xFFFFFFFFull)
        return false;
    *flags = static_cast<int>(static_cast<unsigned>(value));
    return true;
}

ParsedCommandLine ParseQuickviewCommandLine(const std::vector<std::wstring>& arguments)
{
    ParsedCommandLine parsed;
    QuickviewOptions& options = parsed.options;
    bool sizeGiven = false;
    bool boxGiven = false;
    bool optionsEnded = false;
    bool dark = false;
    const auto fail = [&](const std::wstring& error) {
        parsed.error = error;
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, L"--") != 0) {
            options.files.push_back(argument);
            continue;
        }
        if (argument == L"--") {
            optionsEnded = true;
            continue;
        }
        if (argument == L"--help") {
            options.mode = QuickviewMode::Help;
            parsed.ok = true;
            return parsed;
        }
        if (argument == L"--true-color") {
            options.trueColor = true;
            continue;
        }
        if (argument == L"--dark") {
            dark = true;
            continue;
        }
        if (argument == L"--info" || argument == L"--fields") {
            if (options.mode != QuickviewMode::View)
                return fail(L"--info, --fields, --screenshot and --thumbnails exclude each other");
            options.mode = argument == L"--info" ? QuickviewMode::Info : QuickviewMode::Fields;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(argument + L" needs a value");
        const std::wstring& value = arguments[++i];
        if (argument == L"--screenshot" || argument == L"--thumbnails") {
            if (options.mode != QuickviewMode::View)
                return fail(L"--info, --fields, --screenshot and --thumbnails exclude each other");
            options.mode = argument == L"--screenshot" ? QuickviewMode::Screenshot : QuickviewMode::Thumbnails;
            options.output = value;
        } else if (argument == L"--size") {
            if (!ParseSize(value, &options.windowWidth, &options.windowHeight))
                return fail(L"--size wants WIDTHxHEIGHT, each from 1 to 16384: " + value);
            sizeGiven = true;
        } else if (argument == L"--box") {
            if (!ParseSize(value, &options.boxWidth, &options.boxHeight))
                return fail(L"--box wants WIDTHxHEIGHT, each from 1 to 16384: " + value);
            boxGiven = true;
        } else if (argument == L"--flags") {
            if (!ParseFlags(value, &options.showFlags))
                return fail(L"--flags wants a number, decimal or 0x hexadecimal: " + value);
        } else if (argument == L"--dpi") {
            if (!ParsePositive(value, kHighestDpi, &options.dpi) || options.dpi < kLowestDpi)
                return fail(L"--dpi wants a DPI from 96 to 480: " + value);
        } else if (argument == L"--sheet") {
            if (!ParseSheetNumber(value, &options.sheet))
                return fail(L"--sheet wants a sheet number from 0 to 255: " + value);
        } else {
            return fail(L"unknown option " + argument);
        }
    }
    const bool listing = options.mode == QuickviewMode::Info || options.mode == QuickviewMode::Fields;
    if (options.output.empty() && options.mode != QuickviewMode::View && !listing)
        return fail(L"the output path is empty");
    if (boxGiven && options.mode != QuickviewMode::Thumbnails)
        return fail(L"--box goes with --thumbnails");
    if (sizeGiven && options.mode == QuickviewMode::Thumbnails)
        return fail(L"--size does not go with --thumbnails; use --box");
    if (options.sheet >= 0 && options.mode != QuickviewMode::Screenshot)
        return fail(L"--sheet goes with --screenshot; when viewing, Ctrl+Page Down/Up choose the sheet");
    if (options.dpi != 0 && options.mode != QuickviewMode::View && options.mode != QuickviewMode::Screenshot)
        return fail(L"--dpi goes with viewing and --screenshot: thumbnails are the host's size at any DPI");
    if (dark && options.mode == QuickviewMode::Thumbnails)
        return fail(L"--dark does not go with --thumbnails: hosts ask for thumbnails without options");
    if (listing && (sizeGiven || dark || options.showFlags != 0 || options.trueColor))
        return fail(L"--info and --fields take documents only");
    // The host is dark, and wants dark native controls too.
    if (dark)
        options.showFlags |= static_cast<int>(kShowFlagDarkHost | kShowFlagDarkControls);
    if (options.files.empty())
        return fail(L"no document given");
    if (options.mode == QuickviewMode::Screenshot && options.files.size() != 1)
        return fail(L"--screenshot takes one document");
    parsed.ok = true;
    return parsed;
}

std::wstring ThumbnailFileName(const std::wstring& documentPath, std::set<std::wstring>* usedNames)
{
    const std::size_t separator = documentPath.find_last_of(L"\\/:");
    std::wstring name = separator == std::wstring::npos ? documentPath : documentPath.substr(separator + 1);
    if (name.empty())
        name = L"document";
    std::wstring candidate = name + L".png";
    for (int number = 2; usedNames->count(Lowercase(candidate)) != 0; ++number)
        candidate = name + L"-" + std::to_wstring(number) + L".png";
    usedNames->insert(Lowercase(candidate));
    return candidate;
}
