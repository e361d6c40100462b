#pragma once

// A reference decoder for the packed DIB blocks that the layout check admits:
// it performs every read and write that decoding the block implies, in the
// order the format gives, without clipping anything, and reports each one
// that falls outside the block or outside the picture. It keeps no pixels;
// what it answers is where a decoder would have to go.

#include <cstdint>

struct DecodeReport {
    bool readOutsideData = false;      // past the block, or past the run-length data
    bool writeOutsidePicture = false;  // a pixel beyond its row or beyond the last row
    bool indexBeyondTable = false;     // a palette index with no table entry (drawn black)
    std::int64_t pixelsWritten = 0;
};

// Decodes the block with its pixel bits at bitsOffset, as the layout check
// located them.
DecodeReport DecodeDibReference(const unsigned char* block, std::uint32_t blockSize, std::uint32_t bitsOffset);
