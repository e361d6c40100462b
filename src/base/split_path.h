#pragma once

#include <cstddef>

// One requested part of a path: where it goes and how many characters,
// terminator included, fit there. A null buffer means the part is not wanted.
struct PathPart {
    wchar_t* buffer;
    std::size_t capacity;
};

inline constexpr PathPart kPartNotWanted = {nullptr, 0};

// Takes a path apart into drive ("C:"), directory (up to and including the
// last slash or backslash), base name and extension (from the last dot after
// the directory). When any wanted part does not fit, all wanted parts come out
// empty. A null path gives empty parts.
void SplitPath(const wchar_t* path, PathPart drive, PathPart directory, PathPart baseName, PathPart extension);
