// Any file is either refused or yields a record that really verifies; the
// reader never reads outside the file, never allocates past its caps (the
// fuzzer's malloc limit catches that), and never does more work than a
// document's budget allows: bytes read are counted at the byte source, bytes
// inflated at zlib's inflate, which the build wraps (--wrap=inflate).
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
    std::uint64_t bytesRead;
};

std::uint64_t g_bytesInflated = 0;

bool ReadInput(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    const std::vector<unsigned char>& bytes = *static_cast<Input*>(context)->bytes;
    if (offset > bytes.size() || length > bytes.size() - offset) {
        std::fprintf(stderr, "read of %u bytes at %llu outside a file of %zu\n", length,
                     static_cast<unsigned long long>(offset), bytes.size());
        std::abort();
    }
    std::memcpy(destination, bytes.data() + offset, length);
    static_cast<Input*>(context)->bytesRead += length;
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

// The most a file of this size may cost: the tail, the directories' budget,
// one scan of the file (chunks overlap by a name's length), a header for
// each candidate and the first record, the stored bytes' budget, and the one
// record that checks out read again.
std::uint64_t MostBytesRead(std::uint64_t size)
{
    const std::uint64_t tail = 64 * 1024 + 22;
    const std::uint64_t scan = size + (size / (1024 * 1024) + 1) * 7;
    const std::uint64_t headers = (kMaxPreviewCandidates + 1) * (30 + 7);
    return tail + kMaxDirectoryBytesPerDocument + scan + headers + kMaxRecordReadBytesPerDocument + size;
}

}  // namespace

extern "C" int __real_inflate(z_streamp stream, int flush);
extern "C" int __wrap_inflate(z_streamp stream, int flush)
{
    const uInt room = stream->avail_out;
    const int status = __real_inflate(stream, flush);
    g_bytesInflated += room - stream->avail_out;
    return status;
}

namespace {

// Reads the record of that name from the file and holds the result to
// the budget and to what the file declares.
void CheckRecord(const std::vector<unsigned char>& file, const char* name)
{
    Input input = {&file, 0};
    const ByteSource source = {file.size(), &ReadInput, &input};
    g_bytesInflated = 0;
    const ArchivePreview preview = ReadArchiveRecord(source, name);
    const bool found = preview.outcome == ArchiveOutcome::Found;
    // Checking candidates is budgeted; the one that checks out is inflated
    // once more into its own buffer.
    const std::uint64_t mostInflated = kMaxInflatedBytesPerDocument + (found ? preview.record.size : 0);
    if (g_bytesInflated > mostInflated) {
        std::fprintf(stderr, "%s: inflated %llu bytes; the budget allows %llu\n", name,
                     static_cast<unsigned long long>(g_bytesInflated), static_cast<unsigned long long>(mostInflated));
        std::abort();
    }
    if (input.bytesRead > MostBytesRead(file.size())) {
        std::fprintf(stderr, "%s: read %llu bytes of a %zu-byte file; the budget allows %llu\n", name,
                     static_cast<unsigned long long>(input.bytesRead), file.size(),
                     static_cast<unsigned long long>(MostBytesRead(file.size())));
        std::abort();
    }
    if (!found)
        return;
    if (preview.record.bytes == nullptr || preview.record.size == 0 || preview.record.size > kMaxPreviewRecordBytes)
        std::abort();
    const auto crc = static_cast<std::uint32_t>(crc32(0, preview.record.bytes.get(), preview.record.size));
    if (!DeclaredSomewhere(file, crc, preview.record.size)) {
        std::fprintf(stderr, "%s: returned %u bytes that no record declares\n", name, preview.record.size);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<unsigned char> file(data, data + size);
    CheckRecord(file, "Preview");
    CheckRecord(file, "PreviewPNG");
    return 0;
}
