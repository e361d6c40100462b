#include "dib_fixture.h"

#include <gtest/gtest.h>

namespace {

void PutU16(std::vector<unsigned char>& out, std::uint16_t value)
{
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void PutU32(std::vector<unsigned char>& out, std::uint32_t value)
{
    PutU16(out, static_cast<std::uint16_t>(value));
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

std::vector<RGBQUAD> DistinctPalette()
{
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i) {
        // Spread the entries so that neighbouring indices differ in every channel.
        palette[i].rgbRed = static_cast<BYTE>(i * 37 + 11);
        palette[i].rgbGreen = static_cast<BYTE>(i * 91 + 57);
        palette[i].rgbBlue = static_cast<BYTE>(i * 173 + 101);
        palette[i].rgbReserved = 0;
    }
    return palette;
}

void AppendPalette(std::vector<unsigned char>& out, const std::vector<RGBQUAD>& palette)
{
    for (const RGBQUAD& entry : palette) {
        out.push_back(entry.rgbBlue);
        out.push_back(entry.rgbGreen);
        out.push_back(entry.rgbRed);
        out.push_back(entry.rgbReserved);
    }
}

void EncodeRow(const IndexedPicture& picture, int y, std::vector<unsigned char>& out)
{
    const int width = picture.width;
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && picture.At(x + run, y) == picture.At(x, y))
            ++run;
        if (run >= 3) {
            out.push_back(static_cast<unsigned char>(run));  // encoded run: count,
            out.push_back(picture.At(x, y));                 // then the index
            x += run;
            continue;
        }
        // Gather a literal stretch up to the next run of three.
        int literal = 0;
        while (x + literal < width && literal < 255) {
            const int at = x + literal;
            if (at + 2 < width && picture.At(at, y) == picture.At(at + 1, y) &&
                picture.At(at, y) == picture.At(at + 2, y))
                break;
            ++literal;
        }
        if (literal < 3) {
            for (int i = 0; i < literal; ++i) {
                out.push_back(1);
                out.push_back(picture.At(x + i, y));
            }
        } else {
            out.push_back(0);                                    // absolute run: escape,
            out.push_back(static_cast<unsigned char>(literal));  // count,
            for (int i = 0; i < literal; ++i)
                out.push_back(picture.At(x + i, y));
            if (literal % 2 != 0)
                out.push_back(0);  // padded to a 16-bit boundary
        }
        x += literal;
    }
}

}  // namespace

std::uint32_t IndexedPicture::ColourAt(int x, int y) const
{
    const RGBQUAD& entry = palette[At(x, y)];
    return static_cast<std::uint32_t>(entry.rgbRed) << 16 | static_cast<std::uint32_t>(entry.rgbGreen) << 8 |
           entry.rgbBlue;
}

IndexedPicture MakeBlockPicture(int width, int height, int blockSize)
{
    IndexedPicture picture{width, height, {}, DistinctPalette()};
    picture.indices.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int block = (y / blockSize) * 7 + (x / blockSize) * 3;
            // A few scattered single pixels make the encoder use absolute runs too.
            const bool speck = (x * 13 + y * 7) % 29 == 0;
            picture.indices[static_cast<size_t>(y) * width + x] =
                static_cast<std::uint8_t>(speck ? (x + y) % 256 : block % 251);
        }
    }
    return picture;
}

std::vector<unsigned char> InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                      std::uint32_t compression, std::uint32_t sizeImage, std::uint32_t clrUsed)
{
    std::vector<unsigned char> header;
    PutU32(header, 40);                                  // biSize
    PutU32(header, static_cast<std::uint32_t>(width));   // biWidth
    PutU32(header, static_cast<std::uint32_t>(height));  // biHeight, positive: bottom row first
    PutU16(header, 1);                                   // biPlanes
    PutU16(header, bitCount);                            // biBitCount
    PutU32(header, compression);                         // biCompression: 0 BI_RGB, 1 BI_RLE8
    PutU32(header, sizeImage);                           // biSizeImage
    PutU32(header, 3780);                                // biXPelsPerMeter (96 dpi)
    PutU32(header, 3780);                                // biYPelsPerMeter
    PutU32(header, clrUsed);                             // biClrUsed
    PutU32(header, 0);                                   // biClrImportant
    return header;
}

std::vector<unsigned char> EncodeRle8(const IndexedPicture& picture)
{
    std::vector<unsigned char> out;
    for (int y = picture.height - 1; y >= 0; --y) {
        EncodeRow(picture, y, out);
        if (y > 0) {
            out.push_back(0);  // end of line
            out.push_back(0);
        }
    }
    out.push_back(0);  // end of bitmap
    out.push_back(1);
    return out;
}

std::vector<unsigned char> Rle8Block(const IndexedPicture& picture)
{
    const std::vector<unsigned char> bits = EncodeRle8(picture);
    std::vector<unsigned char> block =
        InfoHeader(picture.width, picture.height, 8, BI_RLE8, static_cast<std::uint32_t>(bits.size()), 256);
    AppendPalette(block, picture.palette);
    block.insert(block.end(), bits.begin(), bits.end());
    return block;
}

std::vector<unsigned char> Uncompressed8Block(const IndexedPicture& picture)
{
    const int stride = (picture.width + 3) / 4 * 4;
    std::vector<unsigned char> block = InfoHeader(picture.width, picture.height, 8, BI_RGB, 0, 0);
    AppendPalette(block, picture.palette);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < stride; ++x)
            block.push_back(x < picture.width ? picture.At(x, y) : 0);
    }
    return block;
}

std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int* width, int* height)
{
    BITMAP description = {};
    if (GetObjectW(bitmap, sizeof description, &description) == 0)
        return {};
    *width = description.bmWidth;
    *height = description.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = description.bmWidth;
    info.bmiHeader.biHeight = -description.bmHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(description.bmWidth) * description.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, description.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : pixels)
        pixel &= 0x00FFFFFF;
    return pixels;
}

void ExpectPixelsEqual(HBITMAP bitmap, const IndexedPicture& picture)
{
    ASSERT_NE(bitmap, nullptr);
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = ReadPixels(bitmap, &width, &height);
    ASSERT_EQ(width, picture.width);
    ASSERT_EQ(height, picture.height);
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pixels[static_cast<size_t>(y) * width + x] != picture.ColourAt(x, y) && mismatches++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(mismatches, 0);
}
