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
constexpr std::uint32_t kHeaderDataLength = 13;
constexpr std::uint32_t kHeaderEnd = kWidthOffset + kHeaderDataLength + 4;  // and its CRC

constexpr PngSize kInvalid = {false, 0, 0};

std::uint32_t ReadBigEndian32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3]);
}

}  // namespace

PngSize ReadPngSize(const unsigned char* bytes, std::uint64_t size)
{
    if (bytes == nullptr || size < kHeaderEnd || std::memcmp(bytes, kSignature, sizeof kSignature) != 0)
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
    return {true, width, height};
}
