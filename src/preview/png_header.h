#pragma once

// The first bytes of a PNG file, checked before any of it reaches the
// platform's decoder: the signature and the IHDR chunk's dimensions.

#include <cstdint>

struct PngSize {
    bool valid;
    std::uint32_t width;
    std::uint32_t height;
};

// The signature and the IHDR chunk with its CRC: what is checked before the
// rest of a PNG is read.
inline constexpr std::uint32_t kPngHeaderBytes = 33;

// Valid when the bytes start with the PNG signature and an IHDR chunk whose
// width and height are 1 to kMaxPictureSide, whose depth and colour type
// are ones PNG defines, and whose pixels stay within kMaxScreenBitmapBytes
// both as the decoder holds them (at the PNG's own depth and channels) and
// as a 32-bit screen bitmap: the limits of a DIB preview.
PngSize ReadPngSize(const unsigned char* bytes, std::uint64_t size);
