#pragma once

#include <cstddef>

// Bounded wide-string copies. Both always terminate the destination (when it
// has room for anything at all) and silently cut what does not fit.

// Copies at most capacity - 1 characters of source into destination.
void CopyBounded(wchar_t* destination, const wchar_t* source, std::size_t capacity);

// Appends as many characters of source as leave the whole string at most
// capacity - 1 characters long.
void AppendBounded(wchar_t* destination, const wchar_t* source, std::size_t capacity);

// Length of a terminated wide string; 0 for null.
std::size_t WideLength(const wchar_t* text);
