#pragma once

// Pictures and the packed DIB blocks that carry them, as the CAD program
// writes them: a 40-byte header, a colour table and the pixel bits.

#include <windows.h>

#include <cstdint>
#include <vector>

// An 8-bit picture: palette indices, top row first.
struct IndexedPicture {
    int width;
    int height;
    std::vector<std::uint8_t> indices;
    std::vector<RGBQUAD> palette;  // 256 entries

    std::uint8_t At(int x, int y) const { return indices[static_cast<size_t>(y) * width + x]; }
    // The colour of a pixel as 0x00RRGGBB, the layout of a 32-bit DIB pixel.
    std::uint32_t ColourAt(int x, int y) const;
};

// A picture of width x height made of distinct blocks (or stripes) of colour
// so that a misplaced or mis-scaled copy shows.
IndexedPicture MakeBlockPicture(int width, int height, int blockSize = 16);

// The 40-byte BITMAPINFOHEADER, field by field.
std::vector<unsigned char> InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                      std::uint32_t compression, std::uint32_t sizeImage, std::uint32_t clrUsed);

// RLE8 pixel data, bottom row first: encoded runs, absolute runs, an end of
// line after each row and the end of bitmap at the close.
std::vector<unsigned char> EncodeRle8(const IndexedPicture& picture);

// Header + full 256-entry table + RLE8 data, biSizeImage the compressed size.
std::vector<unsigned char> Rle8Block(const IndexedPicture& picture);

// Header + full 256-entry table + uncompressed 8-bit rows, bottom row first.
std::vector<unsigned char> Uncompressed8Block(const IndexedPicture& picture);

// Checks that a bitmap has the picture's size and exactly its colours.
void ExpectPixelsEqual(HBITMAP bitmap, const IndexedPicture& picture);

// Reads a screen bitmap back as 0x00RRGGBB pixels, top row first.
std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int* width, int* height);
