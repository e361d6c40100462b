// Any file is either refused or yields a record that really verifies; the
// reader never reads outside the file and never allocates past its caps (the
// fuzzer's malloc limit catches that).
#include "preview/archive_reader.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Input {
    const std::vector<unsigned char>* bytes;
};

bool ReadInput(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    const std::vector<unsigned char>& bytes = *static_cast<Input*>(context)->bytes;
    if (offset > bytes.size() || length > bytes.size() - offset) {
        std::fprintf(stderr, "read of %u bytes at %llu outside a file of %zu\n", length,
                     static_cast<unsigned long long>(offset), bytes.size());
        std::abort();
    }
    std::memcpy(destination, bytes.data() + offset, length);
    return true;
}

// Whether some record header in the file declares this CRC and sizes.
bool DeclaredSomewhere(const std::vector<unsigned char>& file, std::uint32_t crc, std::uint32_t size)
{
    unsigned char wanted[4];
    for (int i = 0; i < 4; ++i)
        wanted[i] = static_cast<unsigned char>(crc >> (8 * i));
    for (std::size_t at = 0; at + 12 <= file.size(); ++at) {
        if (std::memcmp(file.data() + at, wanted, 4) != 0)
            continue;
        const std::uint32_t inflated =
            file[at + 8] | file[at + 9] << 8 | file[at + 10] << 16 | static_cast<std::uint32_t>(file[at + 11]) << 24;
        if (inflated == size)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<unsigned char> file(data, data + size);
    Input input = {&file};
    const ByteSource source = {file.size(), &ReadInput, &input};
    const ArchivePreview preview = ReadArchivePreview(source);
    if (preview.outcome != ArchiveOutcome::Found)
        return 0;
    if (preview.bytes == nullptr || preview.size == 0 || preview.size > kMaxPreviewRecordBytes)
        std::abort();
    const auto crc = static_cast<std::uint32_t>(crc32(0, preview.bytes.get(), preview.size));
    if (!DeclaredSomewhere(file, crc, preview.size)) {
        std::fprintf(stderr, "returned %u bytes that no record declares\n", preview.size);
        std::abort();
    }
    return 0;
}
