#include "diagnostics/message_text.h"

#include "base/bounded_string.h"

namespace {

// Writes value in the given base, most significant digit first, without
// leading zeros; a lone "0" for zero.
void AppendUnsigned(wchar_t* out, std::size_t capacity, std::uint64_t value, unsigned base, const wchar_t* digits)
{
    wchar_t text[24];
    std::size_t length = 0;
    do {
        text[length++] = digits[value % base];
        value /= base;
    } while (value != 0);
    wchar_t reversed[24];
    for (std::size_t i = 0; i < length; ++i)
        reversed[i] = text[length - 1 - i];
    reversed[length] = L'\0';
    AppendBounded(out, reversed, capacity);
}

const wchar_t kLowerDigits[] = L"0123456789abcdef";
const wchar_t kUpperDigits[] = L"0123456789ABCDEF";

void AppendSignedDecimal(wchar_t* out, std::size_t capacity, std::int32_t value)
{
    std::int64_t wide = value;
    if (wide < 0) {
        AppendBounded(out, L"-", capacity);
        wide = -wide;
    }
    AppendUnsigned(out, capacity, static_cast<std::uint64_t>(wide), 10, kLowerDigits);
}

void FormatFailedMessage(const wchar_t* label, const wchar_t* number, const wchar_t* text, wchar_t* out,
                         std::size_t capacity)
{
    CopyBounded(out, label, capacity);
    AppendBounded(out, L" failed with error ", capacity);
    AppendBounded(out, number, capacity);
    AppendBounded(out, L": ", capacity);
    AppendBounded(out, text, capacity);
}

}  // namespace

std::size_t TrimmedSystemTextLength(const wchar_t* text)
{
    std::size_t length = WideLength(text);
    if (length <= 1)
        return length;
    if (text[length - 1] == L'\n') {
        --length;
        if (length > 0 && text[length - 1] == L'\r')
            --length;
    }
    return length;
}

void FormatFallbackCodeText(std::uint32_t code, wchar_t* out, std::size_t capacity)
{
    if (code >= 0x80040201u && code <= 0x8004FFFFu) {
        CopyBounded(out, L"IDispatch error #", capacity);
        AppendUnsigned(out, capacity, code - 0x80040200u, 10, kLowerDigits);
        return;
    }
    CopyBounded(out, L"Unknown error 0x", capacity);
    AppendUnsigned(out, capacity, code, 16, kUpperDigits);
}

void ExpandFirstInsert(const wchar_t* text, const wchar_t* insert, wchar_t* out, std::size_t capacity)
{
    const wchar_t* percent = nullptr;
    for (const wchar_t* at = text; at != nullptr && *at != L'\0'; ++at) {
        if (*at == L'%') {
            percent = at;
            break;
        }
    }
    if (insert == nullptr || percent == nullptr || percent[1] != L'1') {
        CopyBounded(out, text, capacity);
        return;
    }
    CopyBounded(out, text, static_cast<std::size_t>(percent - text) + 1);
    AppendBounded(out, insert, capacity);
    AppendBounded(out, percent + 2, capacity);
}

void FormatLastErrorMessage(const wchar_t* label, std::int32_t value, const wchar_t* systemText, wchar_t* out,
                            std::size_t capacity)
{
    wchar_t number[16] = {};
    AppendSignedDecimal(number, 16, value);
    FormatFailedMessage(label, number, systemText, out, capacity);
}

void FormatHresultMessage(const wchar_t* label, std::uint32_t code, const wchar_t* text, wchar_t* out,
                          std::size_t capacity)
{
    wchar_t number[16] = {};
    AppendUnsigned(number, 16, code, 16, kLowerDigits);
    FormatFailedMessage(label, number, text, out, capacity);
}

void FormatNewSettingsNotice(const wchar_t* settingsPath, wchar_t* out, std::size_t capacity)
{
    CopyBounded(out, L"New initialization file is \"", capacity);
    AppendBounded(out, settingsPath, capacity);
    AppendBounded(out, L"\"", capacity);
}
