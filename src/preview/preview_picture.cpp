#include "preview/preview_picture.h"

#include "preview/dib_layout.h"
#include "preview/preview_record.h"
#include "preview/screen_bitmap.h"

namespace {

struct CheckedRecord {
    const unsigned char* block;  // null when there is none
    DibLayout layout;
    bool refused;
};

CheckedRecord CheckPreviewRecord(const unsigned char* countBytes, std::uint64_t bytesAfterCount,
                                 ReadPreviewBlock readBlock, void* context)
{
    const std::uint32_t blockSize = PreviewBlockSize(countBytes, bytesAfterCount);
    if (blockSize == 0)
        return {nullptr, {}, true};
    const unsigned char* block = readBlock(context, blockSize);
    if (block == nullptr)
        return {nullptr, {}, false};
    const DibLayout layout = LocateDibPixels(block, blockSize);
    if (!layout.valid)
        return {nullptr, {}, true};
    return {block, layout, false};
}

}  // namespace

bool PreviewRecordChecksOut(const unsigned char* countBytes, std::uint64_t bytesAfterCount, ReadPreviewBlock readBlock,
                            void* context)
{
    return CheckPreviewRecord(countBytes, bytesAfterCount, readBlock, context).block != nullptr;
}

PreviewPicture PictureFromPreviewRecord(const unsigned char* countBytes, std::uint64_t bytesAfterCount,
                                        ReadPreviewBlock readBlock, void* context)
{
    const CheckedRecord checked = CheckPreviewRecord(countBytes, bytesAfterCount, readBlock, context);
    if (checked.block == nullptr)
        return {nullptr, checked.refused};
    return {CreateScreenBitmap(checked.block, checked.layout), false};
}
