#pragma once

// The "Preview" record of a document saved by current CAD versions: a
// zip-style archive of deflated records whose signatures and names are
// disguised and whose stored offsets count from byte 8 of the file. Platform
// free: the bytes come through a read-at-offset callback.

#include "base/scoped_malloc.h"
#include "preview/dib_layout.h"

#include <cstdint>

// Random access to a document's bytes.
struct ByteSource {
    std::uint64_t size;
    // Fills destination with length bytes from offset; false when they cannot
    // all be had. Never called for bytes outside [0, size).
    bool (*read)(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length);
    void* context;
};

enum class ArchiveOutcome {
    NotAnArchive,  // no directory, and the start does not look like a record
    NoPreview,     // an archive without a "Preview" record that verifies
    Found,
};

struct ArchivePreview {
    ArchiveOutcome outcome;
    ScopedMalloc<unsigned char> bytes;  // the inflated record, when found
    std::uint32_t size;
};

// Largest inflated "Preview" record read: its byte count and the largest DIB
// block that the layout check could admit (the pixels of the largest screen
// bitmap, a full colour table, masks and the largest header).
inline constexpr std::uint32_t kMaxPreviewRecordBytes = static_cast<std::uint32_t>(kMaxScreenBitmapBytes) + 64 * 1024;

// Finds the real end record among look-alikes, walks the directory to the
// "Preview" entry and reads only that record; without a valid directory,
// scans for records named "Preview". Only a record whose data inflates to
// exactly its declared size with a matching CRC-32 is returned.
ArchivePreview ReadArchivePreview(const ByteSource& source);

// The name as the archive stores it: the two nibbles of every byte swapped.
inline unsigned char SwapNibbles(unsigned char byte)
{
    return static_cast<unsigned char>((byte << 4 | byte >> 4) & 0xFF);
}
