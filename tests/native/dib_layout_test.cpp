#include "preview/dib_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct HeaderFields {
    std::uint32_t size = 40;
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
};

void Put(std::vector<unsigned char>& block, std::size_t offset, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        block[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A block of totalSize bytes that starts with the given header.
std::vector<unsigned char> Block(const HeaderFields& fields, std::size_t totalSize)
{
    std::vector<unsigned char> block(totalSize < 40 ? 40 : totalSize, 0);
    Put(block, 0, fields.size, 4);                                // biSize
    Put(block, 4, static_cast<std::uint32_t>(fields.width), 4);   // biWidth
    Put(block, 8, static_cast<std::uint32_t>(fields.height), 4);  // biHeight
    Put(block, 12, fields.planes, 2);                             // biPlanes
    Put(block, 14, fields.bitCount, 2);                           // biBitCount
    Put(block, 16, fields.compression, 4);                        // biCompression
    Put(block, 20, fields.sizeImage, 4);                          // biSizeImage
    Put(block, 32, fields.clrUsed, 4);                            // biClrUsed
    block.resize(totalSize);
    return block;
}

DibLayout Locate(const std::vector<unsigned char>& block)
{
    return LocateDibPixels(block.data(), static_cast<std::uint32_t>(block.size()));
}

void ExpectBitsAt(const std::vector<unsigned char>& block, std::uint32_t offset)
{
    const DibLayout layout = Locate(block);
    EXPECT_TRUE(layout.valid);
    EXPECT_EQ(layout.bitsOffset, offset);
}

void ExpectInvalid(const std::vector<unsigned char>& block)
{
    EXPECT_FALSE(Locate(block).valid);
}

}  // namespace

TEST(LocateDibPixels, PalettedPicturesTakeAFullTableWhateverClrUsedSays)
{
    HeaderFields eight;  // 4 x 2 at 8 bits: stride 4, 8 bytes of pixels
    eight.clrUsed = 16;
    ExpectBitsAt(Block(eight, 40 + 1024 + 8), 1064);

    HeaderFields four;
    four.bitCount = 4;  // stride 4
    ExpectBitsAt(Block(four, 40 + 64 + 8), 104);

    HeaderFields one;
    one.bitCount = 1;
    ExpectBitsAt(Block(one, 40 + 8 + 8), 48);
}

TEST(LocateDibPixels, ExtraBytesAfterThePixelsAreAllowed)
{
    ExpectBitsAt(Block(HeaderFields{}, 40 + 1024 + 8 + 100), 1064);
}

TEST(LocateDibPixels, PixelsOneByteShortOfTheFullTableLayoutAreRefused)
{
    ExpectInvalid(Block(HeaderFields{}, 40 + 1024 + 7));
}

TEST(LocateDibPixels, ShortTableIsUsedOnlyWhenItFillsTheBlockExactly)
{
    HeaderFields fields;
    fields.clrUsed = 2;
    ExpectBitsAt(Block(fields, 40 + 8 + 8), 48);
    ExpectInvalid(Block(fields, 40 + 8 + 9));
    ExpectInvalid(Block(fields, 40 + 8 + 7));
    fields.clrUsed = 0;
    ExpectInvalid(Block(fields, 40 + 8 + 8));
}

TEST(LocateDibPixels, MoreColoursThanTheDepthAllowsAreRefused)
{
    HeaderFields fields;
    fields.bitCount = 1;
    fields.clrUsed = 3;
    ExpectInvalid(Block(fields, 40 + 8 + 8 + 100));
}

TEST(LocateDibPixels, Rle8NeedsBiSizeImageBytesAndAPositiveHeight)
{
    HeaderFields fields;
    fields.compression = 1;
    fields.sizeImage = 10;
    ExpectBitsAt(Block(fields, 40 + 1024 + 10), 1064);
    ExpectInvalid(Block(fields, 40 + 1024 + 9));
    fields.height = -2;
    ExpectInvalid(Block(fields, 40 + 1024 + 10));
    fields.height = 2;
    fields.sizeImage = 0;
    ExpectInvalid(Block(fields, 40 + 1024 + 10));
    fields.sizeImage = 0xFFFFFFFF;
    ExpectInvalid(Block(fields, 40 + 1024 + 10));
}

TEST(LocateDibPixels, CompressionMustMatchTheDepth)
{
    HeaderFields rle4;
    rle4.bitCount = 4;
    rle4.compression = 2;
    rle4.sizeImage = 6;
    ExpectBitsAt(Block(rle4, 40 + 64 + 6), 104);
    rle4.bitCount = 8;
    ExpectInvalid(Block(rle4, 40 + 1024 + 6));

    HeaderFields jpeg;
    jpeg.compression = 4;
    jpeg.sizeImage = 8;
    ExpectInvalid(Block(jpeg, 40 + 1024 + 8));
}

TEST(LocateDibPixels, TopDownUncompressedPicturesAreValid)
{
    HeaderFields fields;
    fields.height = -2;
    ExpectBitsAt(Block(fields, 40 + 1024 + 8), 1064);
}

TEST(LocateDibPixels, DeepPicturesFollowThePublishedLayout)
{
    HeaderFields rgb24;
    rgb24.bitCount = 24;  // 4 pixels: 12 bytes a row
    rgb24.height = 3;
    ExpectBitsAt(Block(rgb24, 40 + 36), 40);
    ExpectInvalid(Block(rgb24, 40 + 35));
    rgb24.clrUsed = 2;
    ExpectBitsAt(Block(rgb24, 40 + 8 + 36), 48);

    HeaderFields masks32;
    masks32.bitCount = 32;
    masks32.compression = 3;
    ExpectBitsAt(Block(masks32, 40 + 12 + 32), 52);
    ExpectInvalid(Block(masks32, 40 + 12 + 31));

    HeaderFields v5masks = masks32;
    v5masks.size = 124;
    ExpectBitsAt(Block(v5masks, 124 + 32), 124);

    HeaderFields rgb16;
    rgb16.bitCount = 16;  // 4 pixels: 8 bytes a row
    ExpectBitsAt(Block(rgb16, 40 + 16), 40);
}

// The platform reads the three masks at bytes 40 to 51 whatever biSize
// says: a header of 41 to 51 bytes does not hold them, nor may a block that
// ends before byte 52.
TEST(LocateDibPixels, BitfieldMasksMustLieInsideTheBlockWhateverTheHeaderSize)
{
    HeaderFields odd;
    odd.size = 45;
    odd.width = 1;
    odd.height = 1;
    odd.bitCount = 32;
    odd.compression = 3;
    ExpectInvalid(Block(odd, 45 + 4));
    ExpectInvalid(Block(odd, 51));
    odd.height = 2;
    ExpectBitsAt(Block(odd, 45 + 8), 45);
}

TEST(LocateDibPixels, HeaderMustBeAtLeast40BytesAndInsideTheBlock)
{
    HeaderFields small;
    small.size = 12;
    ExpectInvalid(Block(small, 2000));
    HeaderFields large;
    large.size = 5000;
    ExpectInvalid(Block(large, 2000));
    EXPECT_FALSE(LocateDibPixels(Block(HeaderFields{}, 40).data(), 39).valid);
    EXPECT_FALSE(LocateDibPixels(nullptr, 0).valid);
}

TEST(LocateDibPixels, ProfilesOutsideTheHeaderAreRefused)
{
    HeaderFields fields;
    fields.size = 124;
    fields.bitCount = 24;
    std::vector<unsigned char> block = Block(fields, 124 + 24);
    ExpectBitsAt(block, 124);
    Put(block, 56, 0x4D424544, 4);  // bV5CSType: embedded profile
    ExpectInvalid(block);
    Put(block, 56, 0x4C494E4B, 4);  // linked profile
    ExpectInvalid(block);
}

TEST(LocateDibPixels, UnsupportedDepthsAndPlanesAreRefused)
{
    for (std::uint16_t bits : {0, 2, 3, 7, 9, 15, 33, 64, 255, 256, 0x8000, 0xFFFF}) {
        HeaderFields fields;
        fields.bitCount = bits;
        ExpectInvalid(Block(fields, 40 + 1024 + 4096));
    }
    HeaderFields planes;
    planes.planes = 2;
    ExpectInvalid(Block(planes, 40 + 1024 + 8));
}

TEST(LocateDibPixels, SizesAreBoundedAndCannotOverflow)
{
    HeaderFields fields;
    fields.width = 0;
    ExpectInvalid(Block(fields, 40 + 1024 + 8));
    fields.width = -4;
    ExpectInvalid(Block(fields, 40 + 1024 + 8));
    fields.width = 4;
    fields.height = 0;
    ExpectInvalid(Block(fields, 40 + 1024 + 8));
    fields.height = -2147483647 - 1;
    ExpectInvalid(Block(fields, 40 + 1024 + 8));
    fields.height = 2;
    fields.width = 2147483647;
    ExpectInvalid(Block(fields, 40 + 1024 + 8));

    HeaderFields side;
    side.width = 16385;
    side.height = 1;
    side.compression = 1;
    side.sizeImage = 2;
    ExpectInvalid(Block(side, 40 + 1024 + 2));
    side.width = 16384;
    ExpectBitsAt(Block(side, 40 + 1024 + 2), 1064);

    HeaderFields area;  // 16384 x 4097 x 4 bytes is just beyond 256 MiB
    area.width = 16384;
    area.height = 4097;
    area.compression = 1;
    area.sizeImage = 2;
    ExpectInvalid(Block(area, 40 + 1024 + 2));
    area.height = 4096;
    ExpectBitsAt(Block(area, 40 + 1024 + 2), 1064);
}
