#include "preview/preview_record.h"

#include "base/little_endian.h"

std::uint32_t PreviewBlockSize(const unsigned char* countBytes, std::uint64_t bytesAfterCount)
{
    const std::uint32_t blockSize = ReadU32(countBytes);
    // A forged count must not make the host's process allocate gigabytes:
    // neither more than the bytes there are nor more than any picture needs.
    if (blockSize > bytesAfterCount || blockSize > kMaxPreviewRecordBytes - kPreviewCountSize)
        return 0;
    return blockSize;
}
