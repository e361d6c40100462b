#include "compound_file.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>

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
