#include "preview/archive_reader.h"

#include "base/little_endian.h"

#include <zlib.h>

#include <cstring>
#include <utility>

namespace {

// Stored offsets count from this byte of the file.
constexpr std::uint64_t kOffsetBase = 8;

// End record, from its start. Its signature (0, 4 bytes) is disguised and
// not relied on; it ends with a comment of its own length.
constexpr std::uint32_t kEndThisDisk = 4;
constexpr std::uint32_t kEndDirectoryDisk = 6;
constexpr std::uint32_t kEndEntriesHere = 8;
constexpr std::uint32_t kEndEntriesInAll = 10;
constexpr std::uint32_t kEndDirectorySize = 12;
constexpr std::uint32_t kEndDirectoryOffset = 16;
constexpr std::uint32_t kEndRecordSize = 22;
// The end record and the longest comment it can carry.
constexpr std::uint32_t kEndSearchBytes = 64 * 1024 + kEndRecordSize;

// Directory entry, from its start (signature at 0, made-by at 4, version
// needed at 6, time and date at 12 and 14, disk and attributes at 34 to 41
// are not read). The name follows at kEntrySize, then extra and comment.
constexpr std::uint32_t kEntryFlags = 8;
constexpr std::uint32_t kEntryMethod = 10;
constexpr std::uint32_t kEntryCrc = 16;
constexpr std::uint32_t kEntryStoredSize = 20;
constexpr std::uint32_t kEntryInflatedSize = 24;
constexpr std::uint32_t kEntryNameLength = 28;
constexpr std::uint32_t kEntryExtraLength = 30;
constexpr std::uint32_t kEntryCommentLength = 32;
constexpr std::uint32_t kEntryLocalOffset = 42;
constexpr std::uint32_t kEntrySize = 46;

// Local record, from its start (signature at 0, time and date at 10 and 12
// are not read). The name follows at kLocalHeaderSize, then extra, then data.
constexpr std::uint32_t kLocalVersion = 4;
constexpr std::uint32_t kLocalFlags = 6;
constexpr std::uint32_t kLocalMethod = 8;
constexpr std::uint32_t kLocalCrc = 14;
constexpr std::uint32_t kLocalStoredSize = 18;
constexpr std::uint32_t kLocalInflatedSize = 22;
constexpr std::uint32_t kLocalNameLength = 26;
constexpr std::uint32_t kLocalExtraLength = 28;
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

// A record's name as the archive stores it: the two nibbles of every byte
// swapped.
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
        const auto byte = static_cast<unsigned char>(name[stored.length]);
        stored.bytes[stored.length] = static_cast<unsigned char>((byte << 4 | byte >> 4) & 0xFF);
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

RecordFacts ReadEntryFacts(const unsigned char* entry)
{
    RecordFacts facts = {};
    facts.flags = ReadU16(entry + kEntryFlags);
    facts.method = ReadU16(entry + kEntryMethod);
    facts.crc = ReadU32(entry + kEntryCrc);
    facts.storedSize = ReadU32(entry + kEntryStoredSize);
    facts.inflatedSize = ReadU32(entry + kEntryInflatedSize);
    facts.nameLength = ReadU16(entry + kEntryNameLength);
    facts.extraLength = ReadU16(entry + kEntryExtraLength);
    return facts;
}

bool ReadAt(const ByteSource& source, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    if (offset > source.size || length > source.size - offset)
        return false;
    return length == 0 || source.read(source.context, offset, destination, length);
}

struct LocalHeader {
    bool read;  // false when the file ends before the header does
    std::uint16_t version;
    RecordFacts facts;
    std::uint64_t nameOffset;
    std::uint64_t dataOffset;
};

// The local record header at a file offset.
LocalHeader ReadLocalHeader(const ByteSource& source, std::uint64_t at)
{
    LocalHeader header = {};
    unsigned char bytes[kLocalHeaderSize];
    if (!ReadAt(source, at, bytes, sizeof bytes))
        return header;
    header.read = true;
    header.version = ReadU16(bytes + kLocalVersion);
    header.facts.flags = ReadU16(bytes + kLocalFlags);
    header.facts.method = ReadU16(bytes + kLocalMethod);
    header.facts.crc = ReadU32(bytes + kLocalCrc);
    header.facts.storedSize = ReadU32(bytes + kLocalStoredSize);
    header.facts.inflatedSize = ReadU32(bytes + kLocalInflatedSize);
    header.facts.nameLength = ReadU16(bytes + kLocalNameLength);
    header.facts.extraLength = ReadU16(bytes + kLocalExtraLength);
    header.nameOffset = at + kLocalHeaderSize;
    header.dataOffset = header.nameOffset + header.facts.nameLength + header.facts.extraLength;
    return header;
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

// What is left of the document's budget (see the header), and the streams
// already checked: where each one's data starts, and the stored bytes they
// claimed between them.
struct WorkBudget {
    std::uint64_t directoryBytesLeft = kMaxDirectoryBytesPerDocument;
    std::uint64_t inflatedBytesLeft = kMaxInflatedBytesPerDocument;
    std::uint64_t recordReadBytesLeft = kMaxRecordReadBytesPerDocument;
    std::uint32_t candidatesLeft = kMaxPreviewCandidates;
    std::uint32_t streamsChecked = 0;
    std::uint64_t checkedStreams[kMaxPreviewCandidates] = {};
    std::uint64_t claimedBytes = 0;  // never more than the document's size
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
    // Takes a stream to check; false, at no further cost, when a stream
    // started at that offset before (whatever sizes it was checked under,
    // its bytes are the same), or when the document cannot hold its stored
    // bytes beside those of the streams checked, as it must hold records
    // that do not overlap.
    bool TakeStream(std::uint64_t dataOffset, std::uint32_t storedSize, std::uint64_t documentSize)
    {
        for (std::uint32_t i = 0; i < streamsChecked; ++i)
            if (checkedStreams[i] == dataOffset)
                return false;
        if (streamsChecked == kMaxPreviewCandidates || storedSize > documentSize - claimedBytes)
            return false;
        checkedStreams[streamsChecked++] = dataOffset;
        claimedBytes += storedSize;
        return true;
    }
};

// The budget of a record capped below a picture: twice its cap inflated,
// and twice the most stored bytes that cap admits read.
WorkBudget BudgetOfItsOwn(std::uint32_t maxBytes)
{
    WorkBudget budget;
    budget.directoryBytesLeft = 0;
    budget.inflatedBytesLeft = 2ull * maxBytes;
    budget.recordReadBytesLeft = 2ull * (maxBytes + maxBytes / kMaxStoredGrowthDivisor + kMaxStoredGrowthBytes);
    return budget;
}

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
// checks size and CRC-32; an empty holder when anything disagrees. A size
// declared past maxBytes is refused before anything is read.
ArchiveRecord ExtractRecord(const ByteSource& source, std::uint64_t dataOffset, const RecordFacts& facts,
                            std::uint32_t maxBytes, WorkBudget& budget)
{
    ArchiveRecord none = {};
    if (facts.method != kDeflated && facts.method != kStored)
        return none;
    if (facts.inflatedSize == 0 || facts.inflatedSize > maxBytes)
        return none;
    if (dataOffset > source.size || facts.storedSize > source.size - dataOffset)
        return none;
    if (facts.method == kStored && facts.storedSize != facts.inflatedSize)
        return none;
    if (facts.inflatedSize > facts.storedSize * kMaxDeflateRatio + kReadChunkBytes)
        return none;
    if (facts.storedSize > facts.inflatedSize + facts.inflatedSize / kMaxStoredGrowthDivisor + kMaxStoredGrowthBytes)
        return none;
    if (!budget.TakeStream(dataOffset, facts.storedSize, source.size) ||
        !CheckRecordData(source, dataOffset, facts, budget))
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
    return {std::move(output), facts.inflatedSize};
}

// Where the records of one name may be: its directory entry, or the name
// positions the scan found, nearest the end first.
struct NameCandidates {
    StoredName name;
    std::uint32_t maxBytes;
    bool listed;  // the directory lists it: entry and storedOffset
    RecordFacts entry;
    std::uint64_t storedOffset;
    std::uint32_t positionCount;
    std::uint64_t positions[kMaxPreviewCandidates];
};

// The record its directory entry points at, when the two agree.
ArchiveRecord ReadEntryRecord(const ByteSource& source, const NameCandidates& wanted, WorkBudget& budget)
{
    const StoredName& name = wanted.name;
    const RecordFacts& entry = wanted.entry;
    if (!budget.TakeCandidate())
        return {};
    const LocalHeader local = ReadLocalHeader(source, wanted.storedOffset + kOffsetBase);
    unsigned char localName[kMaxRecordNameLength];
    if (!local.read || local.facts.method != entry.method || local.facts.nameLength != name.length ||
        !ReadAt(source, local.nameOffset, localName, name.length) || !name.Matches(localName, name.length))
        return {};
    const bool sizesAfterData = (local.facts.flags & kSizesAfterData) != 0;
    if (!sizesAfterData && (local.facts.crc != entry.crc || local.facts.storedSize != entry.storedSize ||
                            local.facts.inflatedSize != entry.inflatedSize))
        return {};
    return ExtractRecord(source, local.dataOffset, entry, wanted.maxBytes, budget);
}

// What the one look at a document found, for every name wanted.
struct ArchiveLook {
    bool directoryFound;
    std::uint32_t nameCount;
    NameCandidates names[kMaxNamesPerDocument];
    ArchiveNameVisit visitName;  // null when no name is to be visited
    void* visitContext;
};

// Hands every name of a directory whose entries all parse to the visitor,
// its nibbles swapped back.
void VisitNames(const unsigned char* directory, std::uint32_t entries, const ArchiveLook& look)
{
    std::uint32_t at = 0;
    for (std::uint32_t entry = 0; entry < entries; ++entry) {
        const unsigned char* fields = directory + at;
        const std::uint32_t nameLength = ReadU16(fields + kEntryNameLength);
        if (nameLength <= kMaxVisitedNameLength) {
            char name[kMaxVisitedNameLength];
            for (std::uint32_t i = 0; i < nameLength; ++i) {
                const unsigned char stored = fields[kEntrySize + i];
                name[i] = static_cast<char>((stored << 4 | stored >> 4) & 0xFF);
            }
            look.visitName(look.visitContext, name, nameLength);
        }
        at += kEntrySize + nameLength + ReadU16(fields + kEntryExtraLength) + ReadU16(fields + kEntryCommentLength);
    }
}

// Checks that every entry parses inside the region, and notes the first
// entry of each name; false when an entry does not parse.
bool WalkDirectory(const unsigned char* directory, std::uint32_t size, std::uint32_t entries, ArchiveLook& look)
{
    std::uint32_t at = 0;
    for (std::uint32_t entry = 0; entry < entries; ++entry) {
        if (size - at < kEntrySize)
            return false;
        const unsigned char* fields = directory + at;
        const RecordFacts facts = ReadEntryFacts(fields);
        const std::uint32_t commentLength = ReadU16(fields + kEntryCommentLength);
        const std::uint64_t length = std::uint64_t{kEntrySize} + facts.nameLength + facts.extraLength + commentLength;
        if (length > size - at)
            return false;
        for (std::uint32_t n = 0; n < look.nameCount; ++n) {
            NameCandidates& wanted = look.names[n];
            if (!wanted.listed && wanted.name.Matches(fields + kEntrySize, facts.nameLength)) {
                wanted.listed = true;
                wanted.entry = facts;
                wanted.storedOffset = ReadU32(fields + kEntryLocalOffset);
            }
        }
        at += static_cast<std::uint32_t>(length);
    }
    return true;
}

// The end record that sits exactly after the directory it declares, whose
// entries all parse: look-alikes point at nothing and are passed over.
void SearchDirectory(const ByteSource& source, ArchiveLook& look, WorkBudget& budget)
{
    if (source.size < kEndRecordSize)
        return;
    const std::uint32_t tailSize =
        source.size < kEndSearchBytes ? static_cast<std::uint32_t>(source.size) : kEndSearchBytes;
    const std::uint64_t tailStart = source.size - tailSize;
    ScopedMalloc<unsigned char> tail(static_cast<unsigned char*>(std::malloc(tailSize)));
    if (tail == nullptr || !ReadAt(source, tailStart, tail.get(), tailSize))
        return;

    for (std::uint32_t position = tailSize - kEndRecordSize + 1; position-- > 0;) {
        const unsigned char* end = tail.get() + position;
        const std::uint16_t entries = ReadU16(end + kEndEntriesInAll);
        if (ReadU16(end + kEndThisDisk) != 0 || ReadU16(end + kEndDirectoryDisk) != 0 || entries == 0 ||
            ReadU16(end + kEndEntriesHere) != entries)
            continue;
        const std::uint32_t directorySize = ReadU32(end + kEndDirectorySize);
        const std::uint64_t directoryStart = ReadU32(end + kEndDirectoryOffset) + kOffsetBase;
        if (directoryStart + directorySize != tailStart + position)
            continue;
        if (directorySize < std::uint64_t{entries} * kEntrySize || directorySize > kMaxDirectoryBytes)
            continue;
        // Every look-alike declares a directory of its own that ends where
        // it stands; together they may cost no more than the budget.
        if (directorySize > budget.directoryBytesLeft) {
            budget.exhausted = true;
            return;
        }
        budget.directoryBytesLeft -= directorySize;
        ScopedMalloc<unsigned char> directory(static_cast<unsigned char*>(std::malloc(directorySize)));
        if (directory == nullptr || !ReadAt(source, directoryStart, directory.get(), directorySize))
            continue;
        if (!WalkDirectory(directory.get(), directorySize, entries, look)) {
            for (std::uint32_t n = 0; n < look.nameCount; ++n)
                look.names[n].listed = false;
            continue;
        }
        look.directoryFound = true;
        if (look.visitName != nullptr)
            VisitNames(directory.get(), entries, look);
        return;
    }
}

// Whether the file starts as such an archive does: a local record at the
// first stored offset. Without it, a file with no directory is no archive.
bool StartsLikeArchive(const ByteSource& source)
{
    const LocalHeader first = ReadLocalHeader(source, kOffsetBase);
    return first.read && first.version == kVersionNeeded &&
           (first.facts.method == kDeflated || first.facts.method == kStored);
}

// Whether the name found at this position of the chunk can stand whole in a
// local header: the name-length field just before it says its length. A
// name inside a longer one ("Preview" in "SheetPreviews/SheetNames") is then
// no candidate. A field before the chunk's start is left to the header.
bool NameLengthAgrees(const unsigned char* chunk, std::uint32_t at, std::uint32_t nameLength)
{
    constexpr std::uint32_t kFieldBeforeName = kLocalHeaderSize - kLocalNameLength;
    return at < kFieldBeforeName || ReadU16(chunk + at - kFieldBeforeName) == nameLength;
}

// Notes every position in [ownedStart, ownedEnd) of the chunk (which starts
// at chunkStart and holds length bytes) where a wanted name stands, keeping
// per name those nearest the end of the file.
void NoteNamesInChunk(const unsigned char* chunk, std::uint64_t chunkStart, std::uint32_t length,
                      std::uint32_t ownedLength, ArchiveLook& look)
{
    for (std::uint32_t n = 0; n < look.nameCount; ++n) {
        NameCandidates& wanted = look.names[n];
        const StoredName& name = wanted.name;
        // Found in file order within the chunk, the last ones kept in a
        // ring; the chunks come from the end, so they join the list in
        // reverse once the chunk is done.
        std::uint64_t found[kMaxPreviewCandidates];
        std::uint32_t foundCount = 0;
        for (std::uint32_t at = 0; at < ownedLength && at + name.length <= length; ++at) {
            const void* first = std::memchr(chunk + at, name.bytes[0], length - at);
            if (first == nullptr)
                break;
            at = static_cast<std::uint32_t>(static_cast<const unsigned char*>(first) - chunk);
            if (at >= ownedLength || at + name.length > length)
                break;
            if (name.Matches(chunk + at, name.length) && NameLengthAgrees(chunk, at, name.length))
                found[foundCount++ % kMaxPreviewCandidates] = chunkStart + at;
        }
        for (std::uint32_t i = foundCount;
             i > 0 && foundCount - i < kMaxPreviewCandidates && wanted.positionCount < kMaxPreviewCandidates; --i)
            wanted.positions[wanted.positionCount++] = found[(i - 1) % kMaxPreviewCandidates];
    }
}

// For a cut or damaged tail: the positions of the wanted names in the last
// kMaxScanBytesPerDocument of the file, read once from the end backwards.
void ScanForNames(const ByteSource& source, ArchiveLook& look)
{
    std::uint32_t longestName = 1;
    for (std::uint32_t n = 0; n < look.nameCount; ++n)
        if (look.names[n].name.length > longestName)
            longestName = look.names[n].name.length;
    const std::uint64_t scanStart = source.size > kMaxScanBytesPerDocument ? source.size - kMaxScanBytesPerDocument : 0;
    // Each chunk owns the names that start in it, and reads on into the
    // chunk after it by a name's length less one, so that no name is cut in
    // two.
    const std::uint32_t overlap = longestName - 1;
    ScopedMalloc<unsigned char> chunk(static_cast<unsigned char*>(std::malloc(kScanChunkBytes + overlap)));
    if (chunk == nullptr)
        return;
    for (std::uint64_t ownedEnd = source.size; ownedEnd > scanStart;) {
        const std::uint64_t ownedStart =
            ownedEnd - scanStart > kScanChunkBytes ? ownedEnd - kScanChunkBytes : scanStart;
        const std::uint64_t readEnd = source.size - ownedEnd > overlap ? ownedEnd + overlap : source.size;
        const auto length = static_cast<std::uint32_t>(readEnd - ownedStart);
        if (!ReadAt(source, ownedStart, chunk.get(), length))
            return;
        NoteNamesInChunk(chunk.get(), ownedStart, length, static_cast<std::uint32_t>(ownedEnd - ownedStart), look);
        ownedEnd = ownedStart;
    }
}

// A record of that name whose name starts at namePosition, if it verifies.
ArchiveRecord TryRecordAt(const ByteSource& source, const NameCandidates& wanted, std::uint64_t namePosition,
                          WorkBudget& budget)
{
    if (namePosition < kLocalHeaderSize || !budget.TakeCandidate())
        return {};
    const LocalHeader local = ReadLocalHeader(source, namePosition - kLocalHeaderSize);
    if (!local.read || local.facts.nameLength != wanted.name.length || (local.facts.flags & kSizesAfterData) != 0)
        return {};
    return ExtractRecord(source, local.dataOffset, local.facts, wanted.maxBytes, budget);
}

// The first record of one name that verifies among its candidates, until
// the budget is spent.
ArchiveRecord TakeRecord(const ByteSource& source, const ArchiveLook& look, const NameCandidates& wanted,
                         WorkBudget& budget)
{
    if (look.directoryFound)
        return wanted.listed ? ReadEntryRecord(source, wanted, budget) : ArchiveRecord{};
    for (std::uint32_t i = 0; i < wanted.positionCount && !budget.exhausted; ++i) {
        ArchiveRecord record = TryRecordAt(source, wanted, wanted.positions[i], budget);
        if (record.bytes != nullptr)
            return record;
    }
    return {};
}

bool KeepRecord(void* context, std::uint32_t /*nameIndex*/, ArchiveRecord& record)
{
    *static_cast<ArchiveRecord*>(context) = std::move(record);
    return true;
}

}  // namespace

ArchiveOutcome ReadArchiveRecords(const ByteSource& source, const WantedRecord* wanted, std::uint32_t wantedCount,
                                  ArchiveRecordUse use, void* context, ArchiveNameVisit visitName)
{
    if (wantedCount == 0 || wantedCount > kMaxNamesPerDocument)
        return ArchiveOutcome::NoPreview;
    ArchiveLook look = {};
    look.nameCount = wantedCount;
    look.visitName = visitName;
    look.visitContext = context;
    for (std::uint32_t n = 0; n < wantedCount; ++n) {
        look.names[n].name = StoreName(wanted[n].name);
        look.names[n].maxBytes =
            wanted[n].maxBytes < kMaxPreviewRecordBytes ? wanted[n].maxBytes : kMaxPreviewRecordBytes;
        if (look.names[n].name.length == 0)
            return ArchiveOutcome::NoPreview;
    }
    WorkBudget pictures;
    SearchDirectory(source, look, pictures);
    if (!look.directoryFound) {
        if (!StartsLikeArchive(source))
            return ArchiveOutcome::NotAnArchive;
        if (pictures.exhausted)
            return ArchiveOutcome::NoPreview;
        ScanForNames(source, look);
    }
    for (std::uint32_t n = 0; n < wantedCount; ++n) {
        const NameCandidates& candidates = look.names[n];
        WorkBudget own = BudgetOfItsOwn(candidates.maxBytes);
        WorkBudget& budget = candidates.maxBytes < kMaxPreviewRecordBytes ? own : pictures;
        ArchiveRecord record = TakeRecord(source, look, candidates, budget);
        if (record.bytes != nullptr && use(context, n, record))
            return ArchiveOutcome::Found;
    }
    return ArchiveOutcome::NoPreview;
}

ArchivePreview ReadArchiveRecord(const ByteSource& source, const char* name)
{
    ArchivePreview preview = {ArchiveOutcome::NoPreview, {}};
    const WantedRecord wanted = {name, kMaxPreviewRecordBytes};
    preview.outcome = ReadArchiveRecords(source, &wanted, 1, &KeepRecord, &preview.record);
    return preview;
}
