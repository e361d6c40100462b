#include "malformed_corpus.h"

#include "compound_file.h"
#include "dib_blocks.h"
#include "plugin_host.h"

#include <algorithm>
#include <array>
#include <random>

namespace {

// BITMAPINFOHEADER field offsets.
constexpr size_t kBiSize = 0;
constexpr size_t kBiWidth = 4;
constexpr size_t kBiHeight = 8;
constexpr size_t kBiPlanes = 12;
constexpr size_t kBiBitCount = 14;
constexpr size_t kBiCompression = 16;
constexpr size_t kBiSizeImage = 20;
constexpr size_t kBiClrUsed = 32;

void Put(std::vector<unsigned char>& bytes, size_t offset, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::vector<unsigned char> With(std::vector<unsigned char> block, size_t offset, std::uint32_t value, int size = 4)
{
    Put(block, offset, value, size);
    return block;
}

std::vector<unsigned char> Truncated(const std::vector<unsigned char>& bytes, size_t size)
{
    return std::vector<unsigned char>(bytes.begin(),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
}

class CorpusBuilder {
public:
    // A document whose "Preview" stream holds count + block. If it shows a
    // picture at all, the picture has the header's size.
    void Block(const std::string& name, const std::vector<unsigned char>& block)
    {
        Stream(name, PreviewStreamBytes(block), Dimension(block, kBiWidth), Dimension(block, kBiHeight));
    }
    void Stream(const std::string& name, const std::vector<unsigned char>& stream, int width = 0, int height = 0)
    {
        File(name, CompoundFileBytes(stream), width, height);
    }
    void File(const std::string& name, std::vector<unsigned char> file, int width = 0, int height = 0,
              bool anySize = false)
    {
        // Top-down pictures show with the height's magnitude.
        const int rows = height >= 0 ? height : height == INT32_MIN ? 0 : -height;
        cases.push_back({name, std::move(file), width, rows, anySize});
    }
    std::vector<CorpusCase> cases;

private:
    static int Dimension(const std::vector<unsigned char>& block, size_t offset)
    {
        if (block.size() < offset + 4)
            return 0;
        return static_cast<int>(block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
                                static_cast<std::uint32_t>(block[offset + 3]) << 24);
    }
};

void AddTruncations(CorpusBuilder& corpus, const std::vector<unsigned char>& good)
{
    // At every header field, inside the table, inside the bits; once with the
    // original count (more than the stream holds) and once with a count that
    // matches what is left.
    const size_t cuts[] = {0,
                           1,
                           4,
                           8,
                           12,
                           14,
                           16,
                           20,
                           24,
                           28,
                           32,
                           36,
                           39,
                           40,
                           44,
                           552,
                           1063,
                           1064,
                           1065,
                           good.size() / 2,
                           good.size() - 2,
                           good.size() - 1};
    for (size_t cut : cuts) {
        const std::vector<unsigned char> part = Truncated(good, cut);
        corpus.Stream("cut at " + std::to_string(cut) + ", count of the whole",
                      PreviewStreamBytes(static_cast<unsigned>(good.size()), part));
        corpus.Block("cut at " + std::to_string(cut) + ", count of the part", part);
    }
    for (size_t cut : {0, 1, 2, 3})
        corpus.Stream("stream of " + std::to_string(cut) + " bytes", Truncated(PreviewStreamBytes(good), cut));
}

void AddForgedCounts(CorpusBuilder& corpus, const std::vector<unsigned char>& good)
{
    const std::uint32_t size = static_cast<std::uint32_t>(good.size());
    for (std::uint32_t count : {0u, 1u, 39u, 40u, size - 1, size + 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
        corpus.Stream("count " + std::to_string(count), PreviewStreamBytes(count, good));
    // A larger stream with a smaller count: the block is what the count says.
    std::vector<unsigned char> padded = good;
    padded.resize(good.size() + 100, 0xEE);
    corpus.Stream("count smaller than the stream", PreviewStreamBytes(size, padded), 40, 30);
}

void AddForgedHeaders(CorpusBuilder& corpus, const std::vector<unsigned char>& good)
{
    for (std::uint32_t size : {0u, 1u, 39u, 41u, 108u, 124u, 1064u, 0xFFFFu, 0x7FFFFFFFu, 0xFFFFFFFFu})
        corpus.Block("biSize " + std::to_string(size), With(good, kBiSize, size));
    for (std::uint32_t bits : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 9u, 15u, 16u, 17u, 24u, 31u, 32u, 33u, 64u, 0xFFFFu})
        corpus.Block("RLE8 with biBitCount " + std::to_string(bits), With(good, kBiBitCount, bits, 2));
    for (std::uint32_t compression : {0u, 2u, 3u, 4u, 5u, 6u, 11u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        corpus.Block("8-bit with biCompression " + std::to_string(compression),
                     With(good, kBiCompression, compression));
    for (std::uint32_t planes : {0u, 2u, 0xFFFFu})
        corpus.Block("biPlanes " + std::to_string(planes), With(good, kBiPlanes, planes, 2));
    for (std::uint32_t used : {1u, 255u, 256u, 257u, 0x10000u, 0xFFFFFFFFu})
        corpus.Block("biClrUsed " + std::to_string(used), With(good, kBiClrUsed, used));
    for (std::uint32_t sizeImage : {0u, 1u, 2u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        corpus.Block("biSizeImage " + std::to_string(sizeImage), With(good, kBiSizeImage, sizeImage));
    const std::int32_t widths[] = {0, -1, -40, 1, 39, 41, 16384, 16385, 65536, 0x7FFFFFFF, INT32_MIN};
    for (std::int32_t width : widths)
        corpus.Block("biWidth " + std::to_string(width), With(good, kBiWidth, static_cast<std::uint32_t>(width)));
    const std::int32_t heights[] = {0, -1, -30, 1, 29, 31, 16385, 0x7FFFFFFF, INT32_MIN};
    for (std::int32_t height : heights)
        corpus.Block("biHeight " + std::to_string(height), With(good, kBiHeight, static_cast<std::uint32_t>(height)));
    // Width x height beyond 32 bits, with sides each within the platform's range.
    corpus.Block("65536 x 65536", With(With(good, kBiWidth, 65536), kBiHeight, 65536));
    corpus.Block("46341 x 46341", With(With(good, kBiWidth, 46341), kBiHeight, 46341));
    corpus.Block("16384 x 16384", With(With(good, kBiWidth, 16384), kBiHeight, 16384));
}

void AddRunLengthDamage(CorpusBuilder& corpus)
{
    const std::vector<std::pair<std::string, std::vector<unsigned char>>> rle8 = {
        {"run past the row", {20, 1, 0, 1}},
        {"runs past the picture", {255, 3, 255, 3, 255, 3, 255, 3}},
        {"absolute run past the row",
         {0, 20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 0, 1}},
        {"rows past the last", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 1, 0, 1}},
        {"delta past the picture", {0, 2, 255, 255, 4, 4}},
        {"delta to the edge, then a pixel", {0, 2, 16, 0, 1, 1, 0, 1}},
        {"delta cut after its escape", {0, 2}},
        {"delta missing a byte", {0, 2, 5}},
        {"absolute run longer than the data", {0, 40, 1, 2, 3}},
        {"absolute run missing its padding", {0, 3, 1, 2, 3}},
        {"lone escape", {0}},
        {"half an opcode", {7}},
        {"no end of bitmap", {16, 1, 0, 0, 16, 2}},
        {"only ends of line", {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& [name, data] : rle8) {
        // 16 x 8: what stays inside may show, at the header's size.
        corpus.Block("RLE8 " + name, RunLengthBlock(16, 8, data));
        corpus.Block("RLE4 " + name, RunLengthBlock(16, 8, data, true));
    }
    corpus.Block("RLE8 top-down",
                 With(RunLengthBlock(16, 8, {16, 1, 0, 1}), kBiHeight, static_cast<std::uint32_t>(-8)));
    corpus.Block("RLE4 top-down",
                 With(RunLengthBlock(16, 8, {16, 1, 0, 1}, true), kBiHeight, static_cast<std::uint32_t>(-8)));
}

void AddBitmapClasses(CorpusBuilder& corpus)
{
    // Bit data that disagrees with the header: too little, and more than enough.
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const std::vector<unsigned char> block = PlainBlock(13, 7, bits);
        corpus.Block(std::to_string(bits) + "-bit picture", block);
        corpus.Block(std::to_string(bits) + "-bit, one byte short", Truncated(block, block.size() - 1));
        corpus.Block(std::to_string(bits) + "-bit, one row short",
                     Truncated(block, block.size() - (13 * bits + 31) / 32 * 4));
        corpus.Block(std::to_string(bits) + "-bit, top-down", With(block, kBiHeight, static_cast<std::uint32_t>(-7)));
        corpus.Block(std::to_string(bits) + "-bit, sizeImage 1", With(block, kBiSizeImage, 1));
    }
    // Palette: short tables, and indexes beyond the table.
    std::vector<unsigned char> shortTable = InfoHeader(8, 2, 8, BI_RGB, 0, 2);
    shortTable.resize(40 + 8, 0x7F);
    for (int i = 0; i < 16; ++i)
        shortTable.push_back(static_cast<unsigned char>(i * 17));  // indexes up to 255
    corpus.Block("8-bit, 2-entry table, indexes beyond it", shortTable);
    corpus.Block("8-bit, 2-entry table, bits short", Truncated(shortTable, shortTable.size() - 1));
    std::vector<unsigned char> fourBitShort = InfoHeader(8, 2, 4, BI_RGB, 0, 3);
    fourBitShort.resize(40 + 12, 0x7F);
    fourBitShort.insert(fourBitShort.end(), {0xF0, 0x1E, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87});
    corpus.Block("4-bit, 3-entry table, indexes beyond it", fourBitShort);
    // Bit fields: overlapping, empty, all ones, sparse.
    const std::vector<std::array<std::uint32_t, 3>> masks = {
        {0xFF00, 0x0FF0, 0x00FF}, {0, 0, 0}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, {0x80000001, 0x00010000, 0x100}};
    for (int bits : {16, 32}) {
        for (const auto& mask : masks) {
            std::vector<unsigned char> block = PlainBlock(5, 3, bits, BI_BITFIELDS);
            for (int i = 0; i < 3; ++i)
                Put(block, 40 + 4 * i, mask[i], 4);
            corpus.Block(std::to_string(bits) + "-bit bit fields " + std::to_string(mask[0]) + "/" +
                             std::to_string(mask[1]) + "/" + std::to_string(mask[2]),
                         block);
        }
        corpus.Block(std::to_string(bits) + "-bit bit fields without masks",
                     Truncated(PlainBlock(5, 3, bits, BI_BITFIELDS), 40));
    }
    corpus.Block("24-bit bit fields", PlainBlock(5, 3, 24, BI_BITFIELDS));
    corpus.Block("8-bit bit fields", PlainBlock(5, 3, 8, BI_BITFIELDS));
    // V5 headers whose colour profile lies elsewhere.
    for (std::uint32_t type : {0x4C494E4Bu, 0x4D424544u}) {
        std::vector<unsigned char> v5 = InfoHeader(5, 3, 24, BI_RGB, 0, 0);
        v5.resize(124, 0);
        Put(v5, kBiSize, 124, 4);
        Put(v5, 56, type, 4);
        Put(v5, 112, 0xFFFFFF00u, 4);  // profile data offset far away
        Put(v5, 116, 0x1000u, 4);      // profile size
        for (int i = 0; i < 48; ++i)
            v5.push_back(static_cast<unsigned char>(i));
        corpus.Block(type == 0x4C494E4Bu ? "V5 with a linked profile" : "V5 with an embedded profile", v5);
    }
}

void AddOtherFiles(CorpusBuilder& corpus, const std::vector<unsigned char>& good)
{
    corpus.File("empty file", {});
    corpus.File("text", {'s', 'o', 'l', 'i', 'd', '\n'});
    corpus.File("PNG signature", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13});
    corpus.File("compound file signature alone", {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1});
    std::mt19937 random(424242);
    std::vector<unsigned char> noise(4096);
    for (unsigned char& byte : noise)
        byte = static_cast<unsigned char>(random());
    corpus.File("random bytes", noise);
    std::vector<unsigned char> signedNoise = noise;
    const unsigned char signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), signedNoise.begin());
    corpus.File("compound file signature, then noise", signedNoise);

    // A sound document, cut short anywhere, and damaged in its sectors.
    const std::vector<unsigned char> whole = CompoundFileBytes(PreviewStreamBytes(good));
    for (size_t cut :
         {size_t{8}, size_t{76}, size_t{511}, size_t{512}, size_t{1024}, whole.size() / 2, whole.size() - 1})
        corpus.File("document cut at " + std::to_string(cut), Truncated(whole, cut), 40, 30);
    for (int round = 0; round < 12; ++round) {
        std::vector<unsigned char> damaged = whole;
        for (int hit = 0; hit < 8; ++hit)
            damaged[random() % std::min<size_t>(damaged.size(), 2048)] = static_cast<unsigned char>(random());
        corpus.File("document with damaged sectors " + std::to_string(round), damaged, 0, 0, true);
    }
}

}  // namespace

std::vector<unsigned char> CompoundFileBytes(const std::vector<unsigned char>& previewStream)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    wchar_t path[MAX_PATH];
    GetTempFileNameW(folder, L"cfb", 0, path);
    WriteCompoundFile(path, {{L"Preview", previewStream}});
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    DeleteFileW(path);
    return bytes;
}

std::vector<CorpusCase> MalformedCorpus()
{
    CorpusBuilder corpus;
    const std::vector<unsigned char> good = Rle8Block(MakeBlockPicture(40, 30, 8));
    corpus.Block("sound RLE8 document", good);
    AddTruncations(corpus, good);
    AddForgedCounts(corpus, good);
    AddForgedHeaders(corpus, good);
    AddRunLengthDamage(corpus);
    AddBitmapClasses(corpus);
    AddOtherFiles(corpus, good);
    return corpus.cases;
}
