#pragma once

// The first bytes of a PNG file, checked before any of it reaches the
// platform's decoder: the signature and the IHDR chunk's dimensions.

#include <cstdint>

struct PngSize {
    bool valid;
    std::uint32_t width;
    std::uint32_t height;
};

// Valid when the bytes start with the PNG signature and an IHDR chunk whose
// width and height are 1 to kMaxPictureSide and whose 32-bit screen bitmap
// stays within kMaxScreenBitmapBytes, the limits of a DIB preview.
PngSize ReadPngSize(const unsigned char* bytes, std::uint64_t size);
