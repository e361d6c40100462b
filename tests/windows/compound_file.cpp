#include "compound_file.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <fstream>
#include <iterator>

void WriteCompoundFile(const std::wstring& path, const std::vector<StreamContent>& streams)
{
    IStorage* storage = nullptr;
    HRESULT result = StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
    ASSERT_TRUE(SUCCEEDED(result) && storage != nullptr) << "StgCreateDocfile: " << std::hex << result;
    for (const StreamContent& content : streams) {
        IStream* stream = nullptr;
        result =
            storage->CreateStream(content.name.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
        if (FAILED(result) || stream == nullptr) {
            ADD_FAILURE() << "CreateStream: " << std::hex << result;
            break;
        }
        ULONG written = 0;
        if (!content.bytes.empty())
            stream->Write(content.bytes.data(), static_cast<ULONG>(content.bytes.size()), &written);
        EXPECT_EQ(written, content.bytes.size());
        stream->Release();
    }
    storage->Release();
}

std::vector<unsigned char> PreviewStreamBytes(unsigned int count, const std::vector<unsigned char>& block)
{
    std::vector<unsigned char> bytes(4 + block.size());
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(count >> (8 * i));
    std::copy(block.begin(), block.end(), bytes.begin() + 4);
    return bytes;
}

std::vector<unsigned char> PreviewStreamBytes(const std::vector<unsigned char>& block)
{
    return PreviewStreamBytes(static_cast<unsigned int>(block.size()), block);
}

void WriteDocument(const std::wstring& path, const std::vector<unsigned char>& block)
{
    WriteCompoundFile(path, {{L"Preview", PreviewStreamBytes(block)}});
}

bool ForgeStreamSize(const std::wstring& path, const std::wstring& streamName, unsigned int size)
{
    std::vector<unsigned char> file;
    {
        std::ifstream in(path.c_str(), std::ios::binary);
        file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The entry starts with the UTF-16 name and its terminator; entries are
    // 128 bytes long and start on multiples of 128.
    std::vector<unsigned char> name;
    for (wchar_t c : streamName + L'\0') {
        name.push_back(static_cast<unsigned char>(c));
        name.push_back(static_cast<unsigned char>(c >> 8));
    }
    constexpr std::size_t kEntrySize = 128;
    constexpr std::size_t kNameLengthOffset = 64;
    constexpr std::size_t kStreamSizeOffset = 120;
    for (std::size_t at = 0; at + kEntrySize <= file.size(); at += kEntrySize) {
        if (!std::equal(name.begin(), name.end(), file.begin() + at) || file[at + kNameLengthOffset] != name.size())
            continue;
        for (int i = 0; i < 4; ++i)
            file[at + kStreamSizeOffset + i] = static_cast<unsigned char>(size >> (8 * i));
        std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        return static_cast<bool>(out);
    }
    return false;
}

bool WriteForgedSizeDocument(const std::wstring& path)
{
    std::vector<unsigned char> stream(8192, 0x5A);
    const unsigned int forgedCount = 0xFFFFFFF0u;
    for (int i = 0; i < 4; ++i)
        stream[i] = static_cast<unsigned char>(forgedCount >> (8 * i));
    WriteCompoundFile(path, {{L"Preview", stream}});
    return ForgeStreamSize(path, L"Preview", 0xFFFFFFFFu);
}
