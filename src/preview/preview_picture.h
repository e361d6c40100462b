#pragma once

#include <windows.h>

#include <cstdint>

// Delivers the blockSize bytes that follow the byte count, or null when they
// cannot be had; they stay valid until the caller's own reader returns.
using ReadPreviewBlock = const unsigned char* (*)(void* context, std::uint32_t blockSize);

struct PreviewPicture {
    HBITMAP bitmap;  // owned by the caller; null when there is none
    bool refused;    // the count or the block's layout was refused
};

// The last steps of both containers' readers, in one place so that they
// cannot drift apart: the byte count (checked against the bytes after it and
// the largest record before anything is read or allocated), the block it
// announces, the DIB layout check and the screen bitmap.
// The same steps but the screen bitmap: whether the record holds a picture
// the viewer can show. Builds nothing; the block is read as for the picture.
bool PreviewRecordChecksOut(const unsigned char* countBytes, std::uint64_t bytesAfterCount, ReadPreviewBlock readBlock,
                            void* context);

PreviewPicture PictureFromPreviewRecord(const unsigned char* countBytes, std::uint64_t bytesAfterCount,
                                        ReadPreviewBlock readBlock, void* context);
