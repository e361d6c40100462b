#include "preview/png_header.h"

#include "preview/dib_layout.h"

#include <cstring>

namespace {

constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The first chunk, right after the signature: length, type, then the IHDR
// data (width and height first). Integers are big-endian.
constexpr std::uint32_t kChunkLengthOffset = 8;
constexpr std::uint32_t kChunkTypeOffset = 12;
constexpr std::uint32_t kWidthOffset = 16;
constexpr std::uint32_t kHeightOffset = 20;
constexpr std::uint32_t kBitDepthOffset = 24;
constexpr std::uint32_t kColourTypeOffset = 25;
constexpr std::uint32_t kHeaderDataLength = 13;
static_assert(kPngHeaderBytes == kWidthOffset + kHeaderDataLength + 4, "the header ends with its CRC");

// Colour types, and the channels of a pixel of each.
constexpr unsigned char kGrey = 0;
constexpr unsigned char kRgb = 2;
constexpr unsigned char kPalette = 3;
constexpr unsigned char kGreyAlpha = 4;
constexpr unsigned char kRgba = 6;

constexpr PngSize kInvalid = {false, 0, 0};

std::uint32_t ReadBigEndian32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3]);
}

// Bits of one decoded pixel, or 0 for a combination PNG does not define.
std::uint32_t BitsPerPixel(unsigned char depth, unsigned char colourType)
{
    const bool anyDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    const bool wholeBytes = depth == 8 || depth == 16;
    switch (colourType) {
    case kGrey:
        return anyDepth ? depth : 0;
    case kPalette:
        return anyDepth && depth != 16 ? depth : 0;
    case kRgb:
        return wholeBytes ? 3u * depth : 0;
    case kGreyAlpha:
        return wholeBytes ? 2u * depth : 0;
    case kRgba:
        return wholeBytes ? 4u * depth : 0;
    default:
        return 0;
    }
}

}  // namespace

PngSize ReadPngSize(const unsigned char* bytes, std::uint64_t size)
{
    if (bytes == nullptr || size < kPngHeaderBytes || std::memcmp(bytes, kSignature, sizeof kSignature) != 0)
        return kInvalid;
    if (ReadBigEndian32(bytes + kChunkLengthOffset) != kHeaderDataLength ||
        std::memcmp(bytes + kChunkTypeOffset, "IHDR", 4) != 0)
        return kInvalid;
    const std::uint32_t width = ReadBigEndian32(bytes + kWidthOffset);
    const std::uint32_t height = ReadBigEndian32(bytes + kHeightOffset);
    if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return kInvalid;
    if (std::int64_t{width} * height * 4 > kMaxScreenBitmapBytes)
        return kInvalid;
    const std::uint32_t bitsPerPixel = BitsPerPixel(bytes[kBitDepthOffset], bytes[kColourTypeOffset]);
    if (bitsPerPixel == 0)
        return kInvalid;
    const std::int64_t decodedRowBytes = (std::int64_t{width} * bitsPerPixel + 7) / 8;
    if (decodedRowBytes * height > kMaxScreenBitmapBytes)
        return kInvalid;
    return {true, width, height};
}
