// Run-length data: the check admits what a decoder can draw inside the
// picture from inside the data, and refuses the rest. Each case is also given
// to the reference decoder, which must agree.
#include "preview/dib_layout.h"
#include "reference_dib_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

void Put32(std::vector<unsigned char>& block, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A width x height RLE8 (or RLE4) block with a full colour table and data.
std::vector<unsigned char> RleBlock(int width, int height, const std::vector<unsigned char>& data, bool fourBit = false)
{
    const std::size_t table = fourBit ? 64 : 1024;
    std::vector<unsigned char> block(40 + table, 0);
    Put32(block, 0, 40);                                        // biSize
    Put32(block, 4, static_cast<std::uint32_t>(width));         // biWidth
    Put32(block, 8, static_cast<std::uint32_t>(height));        // biHeight, bottom-up
    block[12] = 1;                                              // biPlanes
    block[14] = fourBit ? 4 : 8;                                // biBitCount
    Put32(block, 16, fourBit ? 2 : 1);                          // biCompression: RLE4 or RLE8
    Put32(block, 20, static_cast<std::uint32_t>(data.size()));  // biSizeImage
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

// The check's verdict, after making sure that the reference decoder sees the
// same: admitted blocks decode inside, refused ones would not.
bool Admitted(const std::vector<unsigned char>& block)
{
    const DibLayout layout = LocateDibPixels(block.data(), static_cast<std::uint32_t>(block.size()));
    const std::uint32_t bits = static_cast<std::uint32_t>(block.size()) - (block[20] | block[21] << 8);
    const DecodeReport report = DecodeDibReference(block.data(), static_cast<std::uint32_t>(block.size()), bits);
    EXPECT_EQ(layout.valid, !report.readOutsideData && !report.writeOutsidePicture);
    return layout.valid;
}

}  // namespace

TEST(RleData, RowsThatFillThePictureAreAdmitted)
{
    // 4 x 2: a run of 4, end of line, an absolute run of 3 plus one padding
    // byte, a run of 1, end of bitmap.
    EXPECT_TRUE(Admitted(RleBlock(4, 2, {4, 7, 0, 0, 0, 3, 1, 2, 3, 0, 1, 9, 0, 1})));
    // The same without the end of bitmap, and ending after an end of line.
    EXPECT_TRUE(Admitted(RleBlock(4, 2, {4, 7, 0, 0, 0, 3, 1, 2, 3, 0, 1, 9})));
    EXPECT_TRUE(Admitted(RleBlock(4, 2, {4, 7, 0, 0, 4, 7, 0, 0})));
    // A delta that skips to the last pixel, and one that lands exactly on the
    // picture's edge without drawing there.
    EXPECT_TRUE(Admitted(RleBlock(4, 2, {0, 2, 3, 1, 1, 5, 0, 1})));
    EXPECT_TRUE(Admitted(RleBlock(4, 2, {0, 2, 4, 2, 0, 1})));
    // Whatever follows the end of bitmap is not read.
    EXPECT_TRUE(Admitted(RleBlock(4, 2, {2, 1, 0, 1, 200, 3, 0})));
}

TEST(RleData, RunsThatLeaveTheirRowOrThePictureAreRefused)
{
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {5, 7, 0, 1})));                    // encoded run past the row
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {3, 7, 2, 7, 0, 1})));              // second run crosses the end
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1})));  // absolute run past the row
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 0, 0, 0, 1, 7, 0, 1})));        // third row of two
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 2, 0, 2, 1, 7, 0, 1})));        // delta below the picture
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 2, 5, 0, 1, 7, 0, 1})));        // delta past the row, then a pixel
}

TEST(RleData, OpcodesCutShortByTheEndOfTheDataAreRefused)
{
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {4})));              // half an opcode
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 2, 1})));        // delta without its second byte
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 3, 1, 2})));     // absolute run of 3 with 2 bytes
    EXPECT_FALSE(Admitted(RleBlock(4, 2, {0, 3, 1, 2, 3})));  // its padding byte missing
}

TEST(RleData, FourBitRunsCountPixelsNotBytes)
{
    // 6 x 1: an encoded run of 6 nibbles; an absolute run of 5 nibbles takes
    // 3 bytes padded to 4.
    EXPECT_TRUE(Admitted(RleBlock(6, 1, {6, 0x12, 0, 1}, true)));
    EXPECT_TRUE(Admitted(RleBlock(6, 1, {0, 5, 0x12, 0x34, 0x50, 0, 1, 1, 0, 1}, true)));
    EXPECT_FALSE(Admitted(RleBlock(6, 1, {7, 0x12, 0, 1}, true)));
    EXPECT_FALSE(Admitted(RleBlock(6, 1, {0, 5, 0x12, 0x34, 0x50}, true)));  // padding missing
}
