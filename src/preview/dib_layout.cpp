#include "preview/dib_layout.h"

#include "base/little_endian.h"

namespace {

// BITMAPINFOHEADER field offsets.
constexpr std::uint32_t kSizeOffset = 0;
constexpr std::uint32_t kWidthOffset = 4;
constexpr std::uint32_t kHeightOffset = 8;
constexpr std::uint32_t kPlanesOffset = 12;
constexpr std::uint32_t kBitCountOffset = 14;
constexpr std::uint32_t kCompressionOffset = 16;
constexpr std::uint32_t kSizeImageOffset = 20;
constexpr std::uint32_t kClrUsedOffset = 32;
constexpr std::uint32_t kInfoHeaderSize = 40;

// BITMAPV5HEADER: bV5CSType, and the colour-space types that point at profile
// data elsewhere in the block.
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kColorSpaceTypeOffset = 56;
constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;

constexpr DibLayout kInvalid = {false, 0};

struct Header {
    std::uint32_t size;
    std::int64_t width;
    std::int64_t height;
    std::uint16_t planes;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::uint32_t sizeImage;
    std::uint32_t clrUsed;
};

bool IsPaletted(std::uint16_t bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8;
}

bool IsCompressionAllowed(const Header& header)
{
    switch (header.compression) {
    case kRgb:
        return IsPaletted(header.bitCount) || header.bitCount == 16 || header.bitCount == 24 || header.bitCount == 32;
    case kRle8:
        return header.bitCount == 8 && header.height > 0;
    case kRle4:
        return header.bitCount == 4 && header.height > 0;
    case kBitfields:
        return header.bitCount == 16 || header.bitCount == 32;
    default:
        return false;
    }
}

// Bytes of pixel data that the platform reads for this header.
std::int64_t PixelDataSize(const Header& header)
{
    if (header.compression == kRle8 || header.compression == kRle4)
        return header.sizeImage;
    const std::int64_t stride = (header.width * header.bitCount + 31) / 32 * 4;
    const std::int64_t rows = header.height < 0 ? -header.height : header.height;
    return stride * rows;
}

// BI_BITFIELDS: the platform takes the three colour masks from the 12 bytes
// after the basic header whatever biSize says, inside a larger header or
// after a plain 40-byte one.
constexpr std::uint32_t kMasksEnd = kInfoHeaderSize + 12;

// Bytes between the header and the colour table proper: the masks that
// follow a plain 40-byte header.
std::int64_t MaskBytes(const Header& header)
{
    return header.compression == kBitfields && header.size == kInfoHeaderSize ? kMasksEnd - kInfoHeaderSize : 0;
}

// RLE escapes after a zero byte.
constexpr unsigned char kEndOfLine = 0;
constexpr unsigned char kEndOfBitmap = 1;
constexpr unsigned char kDelta = 2;

// Walks run-length data as a decoder reads it: every run must lie within its
// row and the picture, and no opcode, absolute run or delta may reach past
// the data. The data may end early, with or without an end of bitmap; what is
// not drawn stays at its default.
bool RleDataStaysInside(const unsigned char* data, std::int64_t size, std::int64_t width, std::int64_t rows,
                        bool fourBit)
{
    std::int64_t at = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    const auto fits = [&](std::int64_t pixels) { return y < rows && x + pixels <= width; };
    while (at < size) {
        if (at + 2 > size)
            return false;
        const unsigned char count = data[at];
        const unsigned char value = data[at + 1];
        at += 2;
        if (count != 0) {
            if (!fits(count))
                return false;
            x += count;
            continue;
        }
        switch (value) {
        case kEndOfLine:
            x = 0;
            ++y;
            break;
        case kEndOfBitmap:
            return true;
        case kDelta:
            if (at + 2 > size)
                return false;
            x += data[at];
            y += data[at + 1];
            at += 2;
            break;
        default: {
            // An absolute run of value pixels, padded to a 16-bit boundary.
            const std::int64_t bytes = fourBit ? (value + 3) / 4 * 2 : (value + 1) / 2 * 2;
            if (!fits(value) || at + bytes > size)
                return false;
            x += value;
            at += bytes;
            break;
        }
        }
    }
    return true;
}

Header ReadHeader(const unsigned char* block)
{
    Header header = {};
    header.size = ReadU32(block + kSizeOffset);
    header.width = ReadI32(block + kWidthOffset);
    header.height = ReadI32(block + kHeightOffset);
    header.planes = ReadU16(block + kPlanesOffset);
    header.bitCount = ReadU16(block + kBitCountOffset);
    header.compression = ReadU32(block + kCompressionOffset);
    header.sizeImage = ReadU32(block + kSizeImageOffset);
    header.clrUsed = ReadU32(block + kClrUsedOffset);
    return header;
}

// Header, colour table and the extent of the pixel data, for a block of at
// least the basic header's size.
DibLayout LocateDibLayout(const Header& header, const unsigned char* block, std::uint32_t blockSize)
{
    if (header.size < kInfoHeaderSize || header.size > blockSize)
        return kInvalid;
    if (header.size >= kV5HeaderSize) {
        const std::uint32_t colorSpace = ReadU32(block + kColorSpaceTypeOffset);
        if (colorSpace == kProfileLinked || colorSpace == kProfileEmbedded)
            return kInvalid;
    }
    if (header.planes != 1 || !IsCompressionAllowed(header))
        return kInvalid;
    if (header.compression == kBitfields && blockSize < kMasksEnd)
        return kInvalid;

    const std::int64_t rows = header.height < 0 ? -header.height : header.height;
    if (header.width <= 0 || rows == 0 || header.width > kMaxPictureSide || rows > kMaxPictureSide)
        return kInvalid;
    if (header.width * rows * 4 > kMaxScreenBitmapBytes)
        return kInvalid;

    const std::int64_t size = blockSize;
    const std::int64_t pixelBytes = PixelDataSize(header);
    if (header.compression != kRgb && header.compression != kBitfields && pixelBytes == 0)
        return kInvalid;

    if (IsPaletted(header.bitCount)) {
        // The platform takes up to biClrUsed entries from the table; more
        // than the depth allows is a block that lies about itself.
        if (header.clrUsed > (std::uint32_t{1} << header.bitCount))
            return kInvalid;
        const std::int64_t fullTable = std::int64_t{4} << header.bitCount;
        const std::int64_t fullOffset = header.size + fullTable;
        if (fullOffset + pixelBytes <= size)
            return {true, static_cast<std::uint32_t>(fullOffset)};
        const std::int64_t usedEntries = header.clrUsed;
        if (usedEntries == 0)
            return kInvalid;
        const std::int64_t usedOffset = header.size + 4 * usedEntries;
        if (usedOffset + pixelBytes == size)
            return {true, static_cast<std::uint32_t>(usedOffset)};
        return kInvalid;
    }

    const std::int64_t offset = header.size + MaskBytes(header) + 4 * std::int64_t{header.clrUsed};
    if (offset + pixelBytes > size)
        return kInvalid;
    return {true, static_cast<std::uint32_t>(offset)};
}

}  // namespace

DibLayout LocateDibPixels(const unsigned char* block, std::uint32_t blockSize)
{
    if (block == nullptr || blockSize < kInfoHeaderSize)
        return kInvalid;
    const Header header = ReadHeader(block);
    const DibLayout layout = LocateDibLayout(header, block, blockSize);
    if (!layout.valid)
        return layout;
    if (header.compression != kRle8 && header.compression != kRle4)
        return layout;
    if (!RleDataStaysInside(block + layout.bitsOffset, header.sizeImage, header.width, header.height,
                            header.compression == kRle4))
        return kInvalid;
    return layout;
}
