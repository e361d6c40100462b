#include "reference_dib_decoder.h"

namespace {

struct Reader {
    const unsigned char* block;
    std::int64_t size;
    DecodeReport* report;

    // The byte at offset, or 0 with the report marked when it lies outside.
    unsigned Byte(std::int64_t offset) const
    {
        if (offset < 0 || offset >= size) {
            report->readOutsideData = true;
            return 0;
        }
        return block[offset];
    }
    std::uint32_t U32(std::int64_t offset) const
    {
        return Byte(offset) | Byte(offset + 1) << 8 | Byte(offset + 2) << 16 |
               static_cast<std::uint32_t>(Byte(offset + 3)) << 24;
    }
};

struct Picture {
    std::int64_t width;
    std::int64_t rows;
    std::int64_t tableOffset;
    std::int64_t tableEntries;  // 0 for pictures without a palette
    DecodeReport* report;
    const Reader* reader;

    void Write(std::int64_t x, std::int64_t y, unsigned index) const
    {
        if (x < 0 || x >= width || y < 0 || y >= rows)
            report->writeOutsidePicture = true;
        ++report->pixelsWritten;
        if (tableEntries == 0)
            return;
        if (index >= tableEntries) {
            report->indexBeyondTable = true;
            return;
        }
        reader->U32(tableOffset + 4 * static_cast<std::int64_t>(index));  // the colour looked up
    }
};

void DecodeRows(const Reader& reader, const Picture& picture, std::int64_t bits, unsigned bitCount)
{
    const std::int64_t stride = (picture.width * bitCount + 31) / 32 * 4;
    for (std::int64_t y = 0; y < picture.rows; ++y) {
        const std::int64_t row = bits + y * stride;
        for (std::int64_t x = 0; x < picture.width; ++x) {
            const std::int64_t bit = x * bitCount;
            unsigned value = 0;
            for (std::int64_t byte = bit / 8; byte < (bit + bitCount + 7) / 8; ++byte)
                value = value << 8 | reader.Byte(row + byte);
            if (bitCount < 8)
                value = (value >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
            picture.Write(x, y, bitCount <= 8 ? value : 0);
        }
    }
}

void DecodeRle(const Reader& reader, const Picture& picture, std::int64_t bits, std::int64_t dataSize, bool fourBit)
{
    const std::int64_t end = bits + dataSize;
    std::int64_t at = bits;
    std::int64_t x = 0;
    std::int64_t y = 0;
    const auto nibble = [&](unsigned pair, std::int64_t i) {
        return fourBit ? (i % 2 == 0 ? pair >> 4 : pair & 15) : pair;
    };
    while (at < end) {
        const unsigned count = reader.Byte(at);
        const unsigned value = reader.Byte(at + 1);
        if (at + 2 > end)
            reader.report->readOutsideData = true;
        at += 2;
        if (count != 0) {
            for (unsigned i = 0; i < count; ++i)
                picture.Write(x++, y, nibble(value, i));
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta
            if (at + 2 > end)
                reader.report->readOutsideData = true;
            x += reader.Byte(at);
            y += reader.Byte(at + 1);
            at += 2;
        } else {  // absolute run, padded to 16 bits
            for (unsigned i = 0; i < value; ++i) {
                const std::int64_t source = at + (fourBit ? i / 2 : i);
                if (source >= end)
                    reader.report->readOutsideData = true;
                picture.Write(x++, y, nibble(reader.Byte(source), i));
            }
            at += fourBit ? (value + 3) / 4 * 2 : (value + 1) / 2 * 2;
            if (at > end)
                reader.report->readOutsideData = true;
        }
    }
}

}  // namespace

DecodeReport DecodeDibReference(const unsigned char* block, std::uint32_t blockSize, std::uint32_t bitsOffset)
{
    DecodeReport report;
    const Reader reader{block, blockSize, &report};
    const std::int64_t headerSize = reader.U32(0);
    const auto i32 = [&](std::int64_t offset) {
        return static_cast<std::int64_t>(static_cast<std::int32_t>(reader.U32(offset)));
    };
    const std::int64_t width = i32(4);
    const std::int64_t height = i32(8);
    const unsigned bitCount = reader.Byte(14) | reader.Byte(15) << 8;
    const std::uint32_t compression = reader.U32(16);
    const std::int64_t sizeImage = reader.U32(20);
    // The whole header is read, whatever its declared size.
    for (std::int64_t offset = 0; offset < headerSize; offset += 4)
        reader.Byte(offset + 3);
    // BI_BITFIELDS: the platform reads the three masks at bytes 40 to 51,
    // whatever the header's declared size.
    if (compression == 3)
        reader.U32(40 + 8);

    Picture picture{width, height < 0 ? -height : height, 0, 0, &report, &reader};
    if (bitCount <= 8) {
        picture.tableOffset = headerSize + (compression == 3 && headerSize == 40 ? 12 : 0);
        picture.tableEntries = (static_cast<std::int64_t>(bitsOffset) - picture.tableOffset) / 4;
    }
    if (compression == 1 || compression == 2)
        DecodeRle(reader, picture, bitsOffset, sizeImage, compression == 2);
    else
        DecodeRows(reader, picture, bitsOffset, bitCount);
    return report;
}
