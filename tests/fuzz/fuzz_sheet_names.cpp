// Any bytes are either refused, with a count of 0, or give a list that holds
// together: 1 to 256 sheets, the saved one among them, every name inside the
// text and ended by a 0, and record bytes enough for what was read (each
// name 4 or 6 bytes of marks and length, 2 a character) and no more.
#include "preview/sheet_names.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto sheets = std::make_unique<SheetList>();
    sheets->count = 12345;  // must be cleared on refusal
    const bool parsed = ParseSheetNames(data, size, *sheets);
    if (!parsed) {
        if (sheets->count != 0)
            std::abort();
        return 0;
    }
    if (sheets->count == 0 || sheets->count > kMaxSheets || sheets->active >= sheets->count ||
        size > kMaxSheetNamesBytes)
        std::abort();
    constexpr std::size_t kTextCapacity = sizeof sheets->text / sizeof sheets->text[0];
    std::size_t shortest = 2 + 4;  // count and saved sheet
    std::size_t longest = 2 + 4;
    for (std::uint32_t sheet = 0; sheet < sheets->count; ++sheet) {
        const std::size_t start = sheets->nameStart[sheet];
        const std::size_t length = sheets->nameLength[sheet];
        if (length > kMaxSheetNameLength || start + length >= kTextCapacity || sheets->text[start + length] != 0) {
            std::fprintf(stderr, "sheet %u: name of %zu at %zu\n", sheet, length, start);
            std::abort();
        }
        shortest += 4 + 2 * length;
        longest += 6 + 2 * length;
    }
    if (size < shortest || size > longest) {
        std::fprintf(stderr, "%u names from %zu bytes (%zu to %zu expected)\n", sheets->count, size, shortest, longest);
        std::abort();
    }
    return 0;
}
