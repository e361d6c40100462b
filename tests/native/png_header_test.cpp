// The PNG header check: what reaches the platform's decoder.
#include "preview/png_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

void PutBigEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// The signature and an IHDR chunk of that size (8-bit RGBA), CRC left zero:
// the check does not verify it, the decoder does.
std::vector<unsigned char> PngStart(std::uint32_t width, std::uint32_t height, unsigned char depth = 8,
                                    unsigned char colourType = 6)
{
    std::vector<unsigned char> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',  // signature
                                        0,    0,   0,   13,                           // chunk length
                                        'I',  'H', 'D', 'R',                          // chunk type
                                        0,    0,   0,   0,                            // width
                                        0,    0,   0,   0,                            // height
                                        8,    6,   0,   0,   0,                       // depth, RGBA, methods
                                        0,    0,   0,   0};                           // CRC
    PutBigEndian(bytes, 16, width);
    PutBigEndian(bytes, 20, height);
    bytes[24] = depth;
    bytes[25] = colourType;
    return bytes;
}

PngSize Check(const std::vector<unsigned char>& bytes)
{
    return ReadPngSize(bytes.data(), bytes.size());
}

}  // namespace

TEST(ReadPngSize, TakesTheSizeFromTheHeaderChunk)
{
    const PngSize size = Check(PngStart(640, 480));
    EXPECT_TRUE(size.valid);
    EXPECT_EQ(size.width, 640u);
    EXPECT_EQ(size.height, 480u);
}

TEST(ReadPngSize, RefusesWhatTheScreenBitmapLimitsRefuse)
{
    struct Case {
        std::uint32_t width, height;
        bool valid;
    };
    for (const Case& test :
         {Case{1, 1, true}, Case{16384, 4096, true}, Case{0, 10, false}, Case{10, 0, false}, Case{16385, 1, false},
          Case{1, 16385, false}, Case{16384, 4097, false}, Case{0xFFFFFFFF, 0xFFFFFFFF, false}}) {
        EXPECT_EQ(Check(PngStart(test.width, test.height)).valid, test.valid) << test.width << " x " << test.height;
    }
}

TEST(ReadPngSize, RefusesOtherFilesAndCutHeaders)
{
    std::vector<unsigned char> bytes = PngStart(64, 64);
    EXPECT_FALSE(ReadPngSize(bytes.data(), bytes.size() - 1).valid);
    bytes[1] = 'Q';
    EXPECT_FALSE(Check(bytes).valid);
    bytes = PngStart(64, 64);
    bytes[12] = 'X';  // another chunk first
    EXPECT_FALSE(Check(bytes).valid);
    bytes = PngStart(64, 64);
    bytes[11] = 14;  // IHDR of the wrong length
    EXPECT_FALSE(Check(bytes).valid);
    EXPECT_FALSE(ReadPngSize(nullptr, 100).valid);
}

// The decoder holds the pixels at the PNG's own depth and channels: 16 bits
// a channel take twice what the screen bitmap does, and count as such.
TEST(ReadPngSize, CountsThePixelsAtThePngsOwnDepthAndChannels)
{
    struct Case {
        std::uint32_t width, height;
        unsigned char depth, colourType;
        bool valid;
    };
    for (const Case& test : {Case{8192, 8192, 8, 6, true}, Case{8192, 8192, 16, 6, false},
                             Case{8192, 4096, 16, 6, true}, Case{8192, 4097, 16, 6, false},
                             Case{16384, 4096, 16, 2, false}, Case{16384, 2730, 16, 2, true},
                             Case{16384, 4096, 16, 0, true}, Case{16384, 4096, 1, 3, true},
                             Case{64, 64, 16, 3, false}, Case{64, 64, 4, 2, false}, Case{64, 64, 3, 0, false},
                             Case{64, 64, 8, 5, false}, Case{64, 64, 8, 1, false}}) {
        EXPECT_EQ(Check(PngStart(test.width, test.height, test.depth, test.colourType)).valid, test.valid)
            << test.width << " x " << test.height << ", depth " << int{test.depth} << ", colour type "
            << int{test.colourType};
    }
}
