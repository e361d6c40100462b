#include "preview/archive_reader.h"

#include "base/little_endian.h"

#include <zlib.h>

#include <cstring>
#include <utility>

namespace {

// Stored offsets count from this byte of the file.
constexpr std::uint64_t kOffsetBase = 8;

// End record: disguised signature, disk, directory disk, entries here,
// entries in all, directory size, directory offset, comment length.
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kEndSearchBytes = 64 * 1024 + kEndRecordSize;

// Directory entry: disguised signature, made-by, version, flags, method,
// time, date, CRC-32, stored size, inflated size, name, extra and comment
// lengths, disk, internal and external attributes, local record offset.
constexpr std::uint32_t kEntrySize = 46;

// Local record: disguised signature, version, flags, method, time, date,
// CRC-32, stored size, inflated size, name and extra lengths.
constexpr std::uint32_t kLocalHeaderSize = 30;

constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kVersionNeeded = 20;
// Sizes and CRC follow the data instead of standing in the header.
constexpr std::uint16_t kSizesAfterData = 0x08;

// Deflate cannot expand data more than about 1032 times: a larger declared
// inflated size is forged, and refused before anything is allocated.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
// Nor does it grow data by more than a few bytes per stored block of up to
// 64 KiB: stored data much larger than its inflated size is padding (empty
// blocks) that would cost reading without giving anything.
constexpr std::uint64_t kMaxStoredGrowthDivisor = 64;
constexpr std::uint64_t kMaxStoredGrowthBytes = 1024;

constexpr std::uint32_t kReadChunkBytes = 64 * 1024;
// A candidate is inflated through a window of this size while it is checked.
constexpr std::uint32_t kCheckWindowBytes = 64 * 1024;
constexpr std::uint32_t kScanChunkBytes = 1024 * 1024;

// A record's name as the archive stores it, nibbles swapped.
struct StoredName {
    unsigned char bytes[kMaxRecordNameLength];
    std::uint32_t length;

    bool Matches(const unsigned char* name, std::uint32_t nameLength) const
    {
        return nameLength == length && std::memcmp(name, bytes, length) == 0;
    }
};

StoredName StoreName(const char* name)
{
    StoredName stored = {};
    for (; name[stored.length] != '\0'; ++stored.length) {
        if (stored.length == kMaxRecordNameLength)
            return {};
        stored.bytes[stored.length] = SwapNibbles(static_cast<unsigned char>(name[stored.length]));
    }
    return stored;
}

struct RecordFacts {
    std::uint16_t flags;
    std::uint16_t method;
    std::uint32_t crc;
    std::uint32_t storedSize;
    std::uint32_t inflatedSize;
    std::uint16_t nameLength;
    std::uint16_t extraLength;
};

// Facts at the version field of a directory entry or local record: both lay
// them out alike from there on.
RecordFacts ReadFacts(const unsigned char* version)
{
    RecordFacts facts = {};
    facts.flags = ReadU16(version + 2);
    facts.method = ReadU16(version + 4);
    facts.crc = ReadU32(version + 10);
    facts.storedSize = ReadU32(version + 14);
    facts.inflatedSize = ReadU32(version + 18);
    facts.nameLength = ReadU16(version + 22);
    facts.extraLength = ReadU16(version + 24);
    return facts;
}

bool ReadAt(const ByteSource& source, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    if (offset > source.size || length > source.size - offset)
        return false;
    return length == 0 || source.read(source.context, offset, destination, length);
}

struct InflateStream {
    z_stream stream = {};
    bool open = false;
    InflateStream() { open = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~InflateStream()
    {
        if (open)
            inflateEnd(&stream);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

// What is left of the document's budget (see the header), and the data
// ranges already checked: a range is never inflated twice, however many
// headers point at it.
struct WorkBudget {
    std::uint64_t directoryBytesLeft = kMaxDirectoryBytesPerDocument;
    std::uint64_t inflatedBytesLeft = kMaxInflatedBytesPerDocument;
    std::uint64_t recordReadBytesLeft = kMaxRecordReadBytesPerDocument;
    std::uint32_t candidatesLeft = kMaxPreviewCandidates;
    std::uint32_t rangesChecked = 0;
    std::uint64_t checkedOffsets[kMaxPreviewCandidates] = {};
    std::uint32_t checkedSizes[kMaxPreviewCandidates] = {};
    bool exhausted = false;

    // Takes one candidate; false (and the document spent) past the last.
    bool TakeCandidate()
    {
        if (candidatesLeft == 0)
            exhausted = true;
        if (exhausted)
            return false;
        --candidatesLeft;
        return true;
    }
    // Remembers a data range; false when it was checked before.
    bool TakeRange(std::uint64_t offset, std::uint32_t size)
    {
        for (std::uint32_t i = 0; i < rangesChecked; ++i)
            if (checkedOffsets[i] == offset && checkedSizes[i] == size)
                return false;
        if (rangesChecked == kMaxPreviewCandidates)
            return false;
        checkedOffsets[rangesChecked] = offset;
        checkedSizes[rangesChecked] = size;
        ++rangesChecked;
        return true;
    }
};

// Bytes that one pass over a record's data may inflate and read.
struct Allowance {
    std::uint64_t inflated;
    std::uint64_t read;
    bool spent;  // a pass was refused for want of allowance
};

// Where inflated bytes go: a window used again and again while a record is
// only being checked, or the record's own buffer of its declared size.
struct InflateTarget {
    unsigned char* bytes;
    std::uint32_t capacity;
    bool reuseWindow;
};

// Inflates a record's data into target, charging allowance; true when the
// data ends exactly at the declared size, with its CRC-32 in *crc. A target
// full at the declared size is still handed to inflate with no room, so
// that the end of the data is read rather than assumed.
bool InflateData(const ByteSource& source, std::uint64_t dataOffset, const RecordFacts& facts,
                 const InflateTarget& target, Allowance& allowance, std::uint32_t* crc)
{
    ScopedMalloc<unsigned char> chunk(static_cast<unsigned char*>(std::malloc(kReadChunkBytes)));
    InflateStream inflater;
    if (chunk == nullptr || !inflater.open)
        return false;
    z_stream& stream = inflater.stream;
    std::uint64_t consumed = 0;
    std::uint64_t produced = 0;
    uLong runningCrc = crc32(0, nullptr, 0);
    for (;;) {
        if (stream.avail_in == 0 && consumed < facts.storedSize) {
            const std::uint64_t left = facts.storedSize - consumed;
            const std::uint32_t length = left < kReadChunkBytes ? static_cast<std::uint32_t>(left) : kReadChunkBytes;
            if (length > allowance.read) {
                allowance.spent = true;
                return false;
            }
            if (!ReadAt(source, dataOffset + consumed, chunk.get(), length))
                return false;
            allowance.read -= length;
            consumed += length;
            stream.next_in = chunk.get();
            stream.avail_in = length;
        }
        std::uint64_t room = facts.inflatedSize - produced;
        if (room > allowance.inflated)
            room = allowance.inflated;
        if (target.reuseWindow && room > target.capacity)
            room = target.capacity;
        unsigned char* const out = target.reuseWindow ? target.bytes : target.bytes + produced;
        stream.next_out = out;
        stream.avail_out = static_cast<uInt>(room);
        const int status = inflate(&stream, Z_NO_FLUSH);
        const auto made = static_cast<uInt>(room - stream.avail_out);
        runningCrc = crc32(runningCrc, out, made);
        produced += made;
        allowance.inflated -= made;
        if (status == Z_STREAM_END) {
            *crc = static_cast<std::uint32_t>(runningCrc);
            return produced == facts.inflatedSize;
        }
        // Anything but progress: damaged data, data that ends too soon, more
        // data than declared, or the allowance spent.
        if (status != Z_OK) {
            allowance.spent = allowance.inflated == 0 && produced < facts.inflatedSize;
            return false;
        }
    }
}

// The CRC-32 of stored (not deflated) data, read in chunks.
bool ChecksumStoredData(const ByteSource& source, std::uint64_t dataOffset, std::uint32_t size, Allowance& allowance,
                        std::uint32_t* crc)
{
    ScopedMalloc<unsigned char> chunk(static_cast<unsigned char*>(std::malloc(kReadChunkBytes)));
    if (chunk == nullptr)
        return false;
    if (size > allowance.read) {
        allowance.spent = true;
        return false;
    }
    uLong runningCrc = crc32(0, nullptr, 0);
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t length = size - done < kReadChunkBytes ? size - done : kReadChunkBytes;
        if (!ReadAt(source, dataOffset + done, chunk.get(), length))
            return false;
        runningCrc = crc32(runningCrc, chunk.get(), length);
        done += length;
    }
    allowance.read -= size;
    *crc = static_cast<std::uint32_t>(runningCrc);
    return true;
}

// Whether the record's data checks out, at the cost of a window's memory,
// charged to the document's budget.
bool CheckRecordData(const ByteSource& source, std::uint64_t dataOffset, const RecordFacts& facts, WorkBudget& budget)
{
    Allowance allowance = {budget.inflatedBytesLeft, budget.recordReadBytesLeft, false};
    std::uint32_t crc = 0;
    bool complete = false;
    if (facts.method == kStored) {
        complete = ChecksumStoredData(source, dataOffset, facts.storedSize, allowance, &crc);
    } else {
        ScopedMalloc<unsigned char> window(static_cast<unsigned char*>(std::malloc(kCheckWindowBytes)));
        complete = window != nullptr &&
                   InflateData(source, dataOffset, facts, {window.get(), kCheckWindowBytes, true}, allowance, &crc);
    }
    budget.exhausted = budget.exhausted || allowance.spent;
    budget.inflatedBytesLeft = allowance.inflated;
    budget.recordReadBytesLeft = allowance.read;
    return complete && crc == facts.crc;
}

// Inflates (or copies) stored data into exactly facts.inflatedSize bytes and
// checks size and CRC-32; an empty holder when anything disagrees.
ScopedMalloc<unsigned char> ExtractRecord(const ByteSource& source, std::uint64_t dataOffset, const RecordFacts& facts,
                                          WorkBudget& budget)
{
    ScopedMalloc<unsigned char> none;
    if (facts.method != kDeflated && facts.method != kStored)
        return none;
    if (facts.inflatedSize == 0 || facts.inflatedSize > kMaxPreviewRecordBytes)
        return none;
    if (dataOffset > source.size || facts.storedSize > source.size - dataOffset)
        return none;
    if (facts.method == kStored && facts.storedSize != facts.inflatedSize)
        return none;
    if (facts.inflatedSize > facts.storedSize * kMaxDeflateRatio + kReadChunkBytes)
        return none;
    if (facts.storedSize > facts.inflatedSize + facts.inflatedSize / kMaxStoredGrowthDivisor + kMaxStoredGrowthBytes)
        return none;
    if (!budget.TakeRange(dataOffset, facts.storedSize) || !CheckRecordData(source, dataOffset, facts, budget))
        return none;

    // Checked: now its bytes, once per document and so outside the budget.
    // The file may have changed meanwhile, so the CRC is checked again.
    ScopedMalloc<unsigned char> output(static_cast<unsigned char*>(std::malloc(facts.inflatedSize)));
    if (output == nullptr)
        return none;
    std::uint32_t crc = 0;
    if (facts.method == kStored) {
        if (!ReadAt(source, dataOffset, output.get(), facts.storedSize))
            return none;
        crc = static_cast<std::uint32_t>(crc32(0, output.get(), facts.inflatedSize));
    } else {
        Allowance allowance = {facts.inflatedSize, facts.storedSize, false};
        if (!InflateData(source, dataOffset, facts, {output.get(), facts.inflatedSize, false}, allowance, &crc))
            return none;
    }
    if (crc != facts.crc)
        return none;
    return output;
}

// The record at a stored offset, when it agrees with its directory entry.
ScopedMalloc<unsigned char> ReadEntryRecord(const ByteSource& source, const StoredName& name,
                                            std::uint64_t storedOffset, const RecordFacts& entry, WorkBudget& budget)
{
    ScopedMalloc<unsigned char> none;
    if (!budget.TakeCandidate())
        return none;
    const std::uint64_t at = storedOffset + kOffsetBase;
    unsigned char header[kLocalHeaderSize + kMaxRecordNameLength];
    if (!ReadAt(source, at, header, kLocalHeaderSize + name.length))
        return none;
    const RecordFacts local = ReadFacts(header + 4);
    if (local.method != entry.method || !name.Matches(header + kLocalHeaderSize, local.nameLength))
        return none;
    const bool sizesAfterData = (local.flags & kSizesAfterData) != 0;
    if (!sizesAfterData &&
        (local.crc != entry.crc || local.storedSize != entry.storedSize || local.inflatedSize != entry.inflatedSize))
        return none;
    const std::uint64_t dataOffset = at + kLocalHeaderSize + local.nameLength + local.extraLength;
    return ExtractRecord(source, dataOffset, entry, budget);
}

enum class DirectoryWalk { Invalid, WithoutPreview, WithPreview };

// Checks that every entry parses inside the region, and finds "Preview".
DirectoryWalk WalkDirectory(const unsigned char* directory, std::uint32_t size, std::uint32_t entries,
                            const StoredName& name, RecordFacts* preview, std::uint64_t* previewOffset)
{
    bool found = false;
    std::uint32_t at = 0;
    for (std::uint32_t entry = 0; entry < entries; ++entry) {
        if (size - at < kEntrySize)
            return DirectoryWalk::Invalid;
        const unsigned char* fields = directory + at;
        const RecordFacts facts = ReadFacts(fields + 6);
        const std::uint32_t commentLength = ReadU16(fields + 32);
        const std::uint64_t length = std::uint64_t{kEntrySize} + facts.nameLength + facts.extraLength + commentLength;
        if (length > size - at)
            return DirectoryWalk::Invalid;
        if (!found && name.Matches(fields + kEntrySize, facts.nameLength)) {
            found = true;
            *preview = facts;
            *previewOffset = ReadU32(fields + 42);
        }
        at += static_cast<std::uint32_t>(length);
    }
    return found ? DirectoryWalk::WithPreview : DirectoryWalk::WithoutPreview;
}

struct DirectorySearch {
    bool valid;
    ArchivePreview preview;
};

// The end record that sits exactly after the directory it declares, whose
// entries all parse: look-alikes point at nothing and are passed over.
DirectorySearch SearchDirectory(const ByteSource& source, const StoredName& name, WorkBudget& budget)
{
    DirectorySearch result = {false, {ArchiveOutcome::NoPreview, nullptr, 0}};
    if (source.size < kEndRecordSize)
        return result;
    const std::uint32_t tailSize =
        source.size < kEndSearchBytes ? static_cast<std::uint32_t>(source.size) : kEndSearchBytes;
    const std::uint64_t tailStart = source.size - tailSize;
    ScopedMalloc<unsigned char> tail(static_cast<unsigned char*>(std::malloc(tailSize)));
    if (tail == nullptr || !ReadAt(source, tailStart, tail.get(), tailSize))
        return result;

    for (std::uint32_t position = tailSize - kEndRecordSize + 1; position-- > 0;) {
        const unsigned char* end = tail.get() + position;
        const std::uint16_t entries = ReadU16(end + 10);
        if (ReadU16(end + 4) != 0 || ReadU16(end + 6) != 0 || entries == 0 || ReadU16(end + 8) != entries)
            continue;
        const std::uint32_t directorySize = ReadU32(end + 12);
        const std::uint64_t directoryStart = ReadU32(end + 16) + kOffsetBase;
        if (directoryStart + directorySize != tailStart + position)
            continue;
        if (directorySize < std::uint64_t{entries} * kEntrySize || directorySize > kMaxDirectoryBytes)
            continue;
        // Every look-alike declares a directory of its own that ends where
        // it stands; together they may cost no more than the budget.
        if (directorySize > budget.directoryBytesLeft) {
            budget.exhausted = true;
            return result;
        }
        budget.directoryBytesLeft -= directorySize;
        ScopedMalloc<unsigned char> directory(static_cast<unsigned char*>(std::malloc(directorySize)));
        if (directory == nullptr || !ReadAt(source, directoryStart, directory.get(), directorySize))
            continue;
        RecordFacts facts = {};
        std::uint64_t storedOffset = 0;
        const DirectoryWalk walk = WalkDirectory(directory.get(), directorySize, entries, name, &facts, &storedOffset);
        if (walk == DirectoryWalk::Invalid)
            continue;
        result.valid = true;
        if (walk == DirectoryWalk::WithPreview) {
            result.preview.bytes = ReadEntryRecord(source, name, storedOffset, facts, budget);
            if (result.preview.bytes != nullptr) {
                result.preview.outcome = ArchiveOutcome::Found;
                result.preview.size = facts.inflatedSize;
            }
        }
        return result;
    }
    return result;
}

// Whether the file starts as such an archive does: a local record at the
// first stored offset. Without it, a file with no directory is no archive.
bool StartsLikeArchive(const ByteSource& source)
{
    unsigned char header[kLocalHeaderSize];
    if (!ReadAt(source, kOffsetBase, header, sizeof header))
        return false;
    const RecordFacts facts = ReadFacts(header + 4);
    return ReadU16(header + 4) == kVersionNeeded && (facts.method == kDeflated || facts.method == kStored);
}

// A record named "Preview" whose name starts at namePosition, if it verifies.
ScopedMalloc<unsigned char> TryRecordAt(const ByteSource& source, const StoredName& name, std::uint64_t namePosition,
                                        std::uint32_t* size, WorkBudget& budget)
{
    ScopedMalloc<unsigned char> none;
    if (namePosition < kLocalHeaderSize || !budget.TakeCandidate())
        return none;
    const std::uint64_t at = namePosition - kLocalHeaderSize;
    unsigned char header[kLocalHeaderSize];
    if (!ReadAt(source, at, header, sizeof header))
        return none;
    const RecordFacts facts = ReadFacts(header + 4);
    if (facts.nameLength != name.length || (facts.flags & kSizesAfterData) != 0)
        return none;
    ScopedMalloc<unsigned char> bytes =
        ExtractRecord(source, at + kLocalHeaderSize + facts.nameLength + facts.extraLength, facts, budget);
    if (bytes != nullptr)
        *size = facts.inflatedSize;
    return bytes;
}

// For a cut or damaged tail: every record named "Preview", in file order,
// until one verifies or the budget is spent.
ArchivePreview ScanForPreview(const ByteSource& source, const StoredName& name, WorkBudget& budget)
{
    ArchivePreview result = {ArchiveOutcome::NoPreview, nullptr, 0};
    const std::uint32_t chunkBytes =
        source.size < kScanChunkBytes ? static_cast<std::uint32_t>(source.size) : kScanChunkBytes;
    ScopedMalloc<unsigned char> chunk(static_cast<unsigned char*>(std::malloc(chunkBytes)));
    if (chunk == nullptr)
        return result;
    // Consecutive chunks overlap by a name's length less one, so that no
    // name is cut in two.
    const std::uint32_t step = kScanChunkBytes - (name.length - 1);
    for (std::uint64_t start = 0; start < source.size; start += step) {
        const std::uint64_t left = source.size - start;
        const std::uint32_t length = left < kScanChunkBytes ? static_cast<std::uint32_t>(left) : kScanChunkBytes;
        if (length < name.length || !ReadAt(source, start, chunk.get(), length))
            break;
        // A name that starts in the overlap is left to the next chunk.
        const std::uint32_t limit = length < kScanChunkBytes ? length : step;
        for (std::uint32_t at = 0; at < limit && at + name.length <= length; ++at) {
            const void* first = std::memchr(chunk.get() + at, name.bytes[0], length - at);
            if (first == nullptr)
                break;
            at = static_cast<std::uint32_t>(static_cast<const unsigned char*>(first) - chunk.get());
            if (at >= limit || at + name.length > length)
                break;
            if (!name.Matches(chunk.get() + at, name.length))
                continue;
            result.bytes = TryRecordAt(source, name, start + at, &result.size, budget);
            if (result.bytes != nullptr) {
                result.outcome = ArchiveOutcome::Found;
                return result;
            }
            if (budget.exhausted)
                return result;
        }
        if (length < kScanChunkBytes)
            break;
    }
    return result;
}

}  // namespace

ArchivePreview ReadArchiveRecord(const ByteSource& source, const char* name)
{
    const StoredName storedName = StoreName(name);
    if (storedName.length == 0)
        return {ArchiveOutcome::NoPreview, nullptr, 0};
    WorkBudget budget;
    DirectorySearch search = SearchDirectory(source, storedName, budget);
    if (search.valid)
        return std::move(search.preview);
    if (!StartsLikeArchive(source))
        return {ArchiveOutcome::NotAnArchive, nullptr, 0};
    if (budget.exhausted)
        return {ArchiveOutcome::NoPreview, nullptr, 0};
    return ScanForPreview(source, storedName, budget);
}
