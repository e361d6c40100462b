// Any bytes are either refused or give sections that hold together: inside
// the stream (which is never past 64 KiB), a property table inside the
// section, every value and dictionary name read from inside the section, in
// whole UTF-16 units when wide, and at most kMaxPropertyNames names. Every
// section is looked up by each of the three format ids, and every entry of
// its table read, as the information's reader does.
#include "info/property_set.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>

namespace {

void Fail(const char* what, std::size_t a, std::size_t b)
{
    std::fprintf(stderr, "%s: %zu, %zu\n", what, a, b);
    std::abort();
}

void CheckText(const PropertySection& section, const PropertyText& text, const char* what)
{
    if (text.bytes < section.bytes || text.bytes > section.bytes + section.size ||
        text.size > static_cast<std::size_t>(section.bytes + section.size - text.bytes))
        Fail(what, static_cast<std::size_t>(text.bytes - section.bytes), text.size);
    if (text.wide && text.size % 2 != 0)
        Fail("odd wide text", text.size, 0);
}

void CheckSection(const std::uint8_t* data, std::size_t size, const PropertySection& section)
{
    if (size > kMaxPropertySetBytes)
        Fail("a stream past the cap parsed", size, kMaxPropertySetBytes);
    if (section.bytes < data || section.size < 8 ||
        section.size > static_cast<std::size_t>(data + size - section.bytes))
        Fail("section outside the stream", static_cast<std::size_t>(section.bytes - data), section.size);
    if (8 + std::uint64_t{8} * section.count > section.size)
        Fail("property table past the section", section.count, section.size);
    for (std::uint32_t index = 0; index < section.count; ++index) {
        PropertyValue value = {};
        if (ReadPropertyAt(section, index, value) != PropertySetRefusal::None)
            continue;
        if (value.type == kTypeNarrowText || value.type == kTypeWideText)
            CheckText(section, value.text, "value outside the section");
    }
    static const auto dictionary = std::make_unique<PropertyDictionary>();
    ReadPropertyDictionary(section, *dictionary);
    if (dictionary->count > kMaxPropertyNames)
        Fail("too many names", dictionary->count, kMaxPropertyNames);
    for (std::uint32_t i = 0; i < dictionary->count; ++i)
        CheckText(section, dictionary->names[i].name, "name outside the section");
    if (dictionary->count > 0 && FindPropertyName(*dictionary, dictionary->names[0].id) != &dictionary->names[0].name)
        Fail("the first name of an id not found", dictionary->names[0].id, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const PropertyFormatId* format :
         {&kSummaryInformationFormat, &kDocSummaryInformationFormat, &kUserDefinedPropertiesFormat}) {
        PropertySection section = {};
        if (FindPropertySection(data, size, *format, section) != PropertySetRefusal::None) {
            if (section.bytes != nullptr || section.count != 0)
                Fail("a refused section handed on", section.size, section.count);
            continue;
        }
        CheckSection(data, size, section);
    }
    return 0;
}
