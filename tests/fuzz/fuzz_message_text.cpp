// Composition of the error texts stays within the buffers it is given.
#include "base/bounded_string.h"
#include "diagnostics/message_text.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t code = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    std::vector<wchar_t> text;
    std::vector<wchar_t> insert;
    bool inInsert = false;
    for (std::size_t i = 4; i < size; ++i) {
        const wchar_t character = data[i] == 0xFF ? L'\0' : static_cast<wchar_t>(data[i] == 0xFE ? L'%' : data[i]);
        if (character == L'\0') {
            inInsert = true;
            continue;
        }
        (inInsert ? insert : text).push_back(character == 0 ? L'1' : character);
    }
    text.push_back(L'\0');
    insert.push_back(L'\0');

    std::vector<wchar_t> trimmed(text);
    trimmed[TrimmedSystemTextLength(trimmed.data())] = L'\0';

    std::vector<wchar_t> working(WideLength(trimmed.data()) + WideLength(insert.data()) + 1);
    ExpandFirstInsert(trimmed.data(), insert.data(), working.data(), working.size());

    std::vector<wchar_t> message(WideLength(working.data()) + 10 + kHresultMessageSpare + 1);
    FormatHresultMessage(L"Operation", code, working.data(), message.data(), message.size());
    FormatLastErrorMessage(L"Operation", static_cast<std::int32_t>(code), text.data(), message.data(), message.size());

    wchar_t fallback[kFallbackTextCapacity];
    FormatFallbackCodeText(code, fallback, kFallbackTextCapacity);
    if (WideLength(fallback) >= kFallbackTextCapacity)
        std::abort();
    return 0;
}
