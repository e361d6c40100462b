#include "base/bounded_string.h"

std::size_t WideLength(const wchar_t* text)
{
    if (text == nullptr)
        return 0;
    std::size_t length = 0;
    while (text[length] != L'\0')
        ++length;
    return length;
}

void CopyBounded(wchar_t* destination, const wchar_t* source, std::size_t capacity)
{
    if (destination == nullptr || capacity == 0)
        return;
    destination[0] = L'\0';
    AppendBounded(destination, source, capacity);
}

void AppendBounded(wchar_t* destination, const wchar_t* source, std::size_t capacity)
{
    if (destination == nullptr || capacity == 0)
        return;
    std::size_t length = 0;
    while (length < capacity - 1 && destination[length] != L'\0')
        ++length;
    if (source != nullptr) {
        for (std::size_t i = 0; source[i] != L'\0' && length < capacity - 1; ++i)
            destination[length++] = source[i];
    }
    destination[length] = L'\0';
}
