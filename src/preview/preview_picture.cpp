#include "preview/preview_picture.h"

#include "preview/dib_layout.h"
#include "preview/preview_record.h"
#include "preview/screen_bitmap.h"

PreviewPicture PictureFromPreviewRecord(const unsigned char* countBytes, std::uint64_t bytesAfterCount,
                                        ReadPreviewBlock readBlock, void* context)
{
    const std::uint32_t blockSize = PreviewBlockSize(countBytes, bytesAfterCount);
    if (blockSize == 0)
        return {nullptr, true};
    const unsigned char* block = readBlock(context, blockSize);
    if (block == nullptr)
        return {nullptr, false};
    const DibLayout layout = LocateDibPixels(block, blockSize);
    if (!layout.valid)
        return {nullptr, true};
    return {CreateScreenBitmap(block, layout), false};
}
