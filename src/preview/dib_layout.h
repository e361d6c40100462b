#pragma once

#include <cstdint>

// Where the pixel bits of a packed DIB block start, once the block has been
// checked to hold everything that the platform will read from it.
struct DibLayout {
    bool valid;
    std::uint32_t bitsOffset;
};

// Largest picture side and screen-bitmap size that the reader will build
// inside the host's process.
inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxScreenBitmapBytes = 256ll * 1024 * 1024;

// Checks a packed DIB (header, colour table, pixel bits) of blockSize bytes.
// 1, 4 and 8 bits per pixel are taken with a full table of 2^bits entries; the
// table of biClrUsed entries is used only where the full one does not fit and
// that one fills the block exactly. Deeper pictures follow the published
// rules. Run-length data is walked as a decoder reads it: runs that leave
// their row or the picture, and opcodes cut short by the end of the data, are
// invalid. Anything that could make the platform read past the block, write
// past the picture, or build an absurdly large bitmap, is invalid.
DibLayout LocateDibPixels(const unsigned char* block, std::uint32_t blockSize);
