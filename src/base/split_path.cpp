#include "base/split_path.h"

#include "base/bounded_string.h"

namespace {

struct Span {
    std::size_t begin;
    std::size_t end;
    std::size_t Length() const { return end - begin; }
};

bool Fits(const PathPart& part, const Span& span)
{
    return part.buffer == nullptr || span.Length() < part.capacity;
}

void Write(const PathPart& part, const wchar_t* path, const Span& span)
{
    if (part.buffer == nullptr || part.capacity == 0)
        return;
    for (std::size_t i = 0; i < span.Length(); ++i)
        part.buffer[i] = path[span.begin + i];
    part.buffer[span.Length()] = L'\0';
}

void Clear(const PathPart& part)
{
    if (part.buffer != nullptr && part.capacity > 0)
        part.buffer[0] = L'\0';
}

}  // namespace

void SplitPath(const wchar_t* path, PathPart drive, PathPart directory, PathPart baseName, PathPart extension)
{
    const std::size_t length = WideLength(path);

    const Span driveSpan = {0, (length >= 2 && path[1] == L':') ? std::size_t{2} : std::size_t{0}};

    std::size_t directoryEnd = driveSpan.end;
    for (std::size_t i = driveSpan.end; i < length; ++i) {
        if (path[i] == L'\\' || path[i] == L'/')
            directoryEnd = i + 1;
    }
    const Span directorySpan = {driveSpan.end, directoryEnd};

    std::size_t dot = length;
    for (std::size_t i = directoryEnd; i < length; ++i) {
        if (path[i] == L'.')
            dot = i;
    }
    const Span baseSpan = {directoryEnd, dot};
    const Span extensionSpan = {dot, length};

    if (!Fits(drive, driveSpan) || !Fits(directory, directorySpan) || !Fits(baseName, baseSpan) ||
        !Fits(extension, extensionSpan)) {
        Clear(drive);
        Clear(directory);
        Clear(baseName);
        Clear(extension);
        return;
    }
    Write(drive, path, driveSpan);
    Write(directory, path, directorySpan);
    Write(baseName, path, baseSpan);
    Write(extension, path, extensionSpan);
}
