// Any file is either refused or yields a record that really verifies; the
// reader never reads outside the file, never allocates past its caps (the
// fuzzer's malloc limit catches that), and never does more work than a
// document's budget allows: bytes read are counted at the byte source, bytes
// inflated at zlib's inflate, which the build wraps (--wrap=inflate).
#include "preview/archive_reader.h"
#include "info/document_facts.h"
#include "preview/sheet_names.h"

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

// A record capped below a picture (a drawing's sheet names, the
// information records) has a budget of its own beside the pictures' one:
// twice its cap inflated, twice the stored bytes that cap admits read.
struct OwnBudgets {
    std::uint64_t count;
    std::uint64_t inflated;
    std::uint64_t read;
};

OwnBudgets OwnBudgetsOf(const WantedRecord* names, std::uint32_t nameCount)
{
    OwnBudgets budgets = {0, 0, 0};
    for (std::uint32_t n = 0; n < nameCount; ++n) {
        const std::uint64_t cap = names[n].maxBytes;
        if (cap >= kMaxPreviewRecordBytes)
            continue;
        ++budgets.count;
        budgets.inflated += 2 * cap;
        budgets.read += 2 * (cap + cap / 64 + 1024);
    }
    return budgets;
}

// The most a file of this size may cost: the tail, the directories' budget,
// one scan of the file's end (chunks overlap by a name's length), a header
// for each candidate of each budget and the first record, the stored bytes'
// budgets, and each record that checks out read again.
std::uint64_t MostBytesRead(std::uint64_t size, std::uint64_t recordsExtracted, const OwnBudgets& own)
{
    const std::uint64_t tail = 64 * 1024 + 22;
    const std::uint64_t scanned = size < kMaxScanBytesPerDocument ? size : kMaxScanBytesPerDocument;
    const std::uint64_t scan = scanned + (scanned / (1024 * 1024) + 1) * 9;
    const std::uint64_t headers = (1 + own.count) * (kMaxPreviewCandidates + 1) * (30 + 10);
    return tail + kMaxDirectoryBytesPerDocument + scan + headers + kMaxRecordReadBytesPerDocument + own.read +
           recordsExtracted * size;
}

// A name the directory lists, as the information look is handed it.
void CheckVisitedName(void* /*context*/, const char* name, std::uint32_t length)
{
    if (length > kMaxVisitedNameLength)
        std::abort();
    std::uint32_t code = 0;
    if (ReleaseCodeOfName(name, length, &code) && code > 999999)
        std::abort();
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

// What one look at a file handed on: every record, which the look is told
// to decline so that every name is tried.
struct Handed {
    const std::vector<unsigned char>* file;
    const WantedRecord* names;
    std::uint64_t records;
    std::uint64_t bytes;
};

void CheckDeclared(const std::vector<unsigned char>& file, const char* name, const ArchiveRecord& record)
{
    if (record.bytes == nullptr || record.size == 0 || record.size > kMaxPreviewRecordBytes)
        std::abort();
    const auto crc = static_cast<std::uint32_t>(crc32(0, record.bytes.get(), record.size));
    if (!DeclaredSomewhere(file, crc, record.size)) {
        std::fprintf(stderr, "%s: returned %u bytes that no record declares\n", name, record.size);
        std::abort();
    }
}

bool CheckAndDecline(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    auto* handed = static_cast<Handed*>(context);
    const WantedRecord& wanted = handed->names[nameIndex];
    CheckDeclared(*handed->file, wanted.name, record);
    if (record.size > wanted.maxBytes) {
        std::fprintf(stderr, "%s: handed %u bytes past its cap of %u\n", wanted.name, record.size, wanted.maxBytes);
        std::abort();
    }
    // A drawing's sheet names are parsed from whatever record gives them.
    static SheetList sheets;
    ParseSheetNames(record.bytes.get(), record.size, sheets);
    ++handed->records;
    handed->bytes += record.size;
    return false;
}

// Looks into the file for these names and holds what it cost to the budget
// of one document, whatever the number of names; a record capped below a
// picture to its own.
void CheckLook(const std::vector<unsigned char>& file, const WantedRecord* names, std::uint32_t nameCount,
               ArchiveNameVisit visitName = nullptr)
{
    Input input = {&file, 0};
    const ByteSource source = {file.size(), &ReadInput, &input};
    g_bytesInflated = 0;
    Handed handed = {&file, names, 0, 0};
    ReadArchiveRecords(source, names, nameCount, &CheckAndDecline, &handed, visitName);
    const OwnBudgets own = OwnBudgetsOf(names, nameCount);
    // Checking candidates is budgeted; each that checks out is inflated once
    // more into its own buffer.
    const std::uint64_t mostInflated = kMaxInflatedBytesPerDocument + own.inflated + handed.bytes;
    if (g_bytesInflated > mostInflated) {
        std::fprintf(stderr, "%u names: inflated %llu bytes; the budget allows %llu\n", nameCount,
                     static_cast<unsigned long long>(g_bytesInflated), static_cast<unsigned long long>(mostInflated));
        std::abort();
    }
    const std::uint64_t mostRead = MostBytesRead(file.size(), handed.records, own);
    if (input.bytesRead > mostRead) {
        std::fprintf(stderr, "%u names: read %llu bytes of a %zu-byte file; the budget allows %llu\n", nameCount,
                     static_cast<unsigned long long>(input.bytesRead), file.size(),
                     static_cast<unsigned long long>(mostRead));
        std::abort();
    }
}

// The record of one name, as the single-name read gives it.
void CheckRecord(const std::vector<unsigned char>& file, const char* name)
{
    Input input = {&file, 0};
    const ByteSource source = {file.size(), &ReadInput, &input};
    const ArchivePreview preview = ReadArchiveRecord(source, name);
    if (preview.outcome == ArchiveOutcome::Found)
        CheckDeclared(file, name, preview.record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<unsigned char> file(data, data + size);
    const WantedRecord names[] = {{"SheetPreviews/SheetNames", kMaxSheetNamesBytes},
                                  {"PreviewPNG", kMaxPreviewRecordBytes},
                                  {"Preview", kMaxPreviewRecordBytes}};
    CheckLook(file, names, 3);
    CheckLook(file, names + 2, 1);
    // The information look: its two records and every name listed.
    const WantedRecord information[] = {{"docProps/core.xml", 64 * 1024}, {"docProps/custom.xml", 64 * 1024}};
    CheckLook(file, information, 2, &CheckVisitedName);
    static SheetList sheets;
    ParseSheetNames(data, size, sheets);
    CheckRecord(file, "Preview");
    return 0;
}
