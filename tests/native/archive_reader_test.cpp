// The newer container's reader over bytes in memory: which record it trusts,
// what it refuses, and that it never reads outside the file.
#include "archive_builder.h"
#include "hostile_archives.h"
#include "preview/archive_reader.h"
#include "preview/sheet_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct MemoryFile {
    std::vector<unsigned char> bytes;
    std::uint64_t bytesRead = 0;
    bool readOutside = false;
};

bool ReadMemory(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    auto* file = static_cast<MemoryFile*>(context);
    if (offset > file->bytes.size() || length > file->bytes.size() - offset) {
        file->readOutside = true;
        return false;
    }
    std::memcpy(destination, file->bytes.data() + offset, length);
    file->bytesRead += length;
    return true;
}

ArchivePreview Read(MemoryFile& file)
{
    const ByteSource source = {file.bytes.size(), &ReadMemory, &file};
    ArchivePreview preview = ReadArchiveRecord(source, "Preview");
    EXPECT_FALSE(file.readOutside);
    return preview;
}

std::vector<unsigned char> Content(std::size_t size, unsigned seed)
{
    std::vector<unsigned char> content(size);
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<unsigned char>((i / 7 + seed) % 251);
    return content;
}

// Records as real documents have them around the preview, decoys included.
ArchiveBuilder TypicalDocument(const std::vector<unsigned char>& preview, const RecordDamage& damage = {})
{
    ArchiveBuilder builder;
    builder.AddRecord("Header2", Content(300, 1));
    builder.AddDecoyRecord("Preview", 900, 5000, 1);
    builder.AddRecord("Contents/Config-0", Content(20000, 2));
    builder.AddRecord("Preview", preview, true, damage);
    builder.AddDecoyRecord("Preview", 700, preview.size(), 2);
    builder.AddRecord("PreviewPNG", Content(4000, 3));
    builder.AddRecord("docProps/core.xml", Content(500, 4));
    return builder;
}

const FinishOptions kDecoyEnds = {3, 2, 64};

}  // namespace

TEST(ArchiveReader, FindsThePreviewThroughTheRealEndRecordAmongDecoys)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(70000, 9));
    MemoryFile file{TypicalDocument(preview).Finish(kDecoyEnds).Flatten()};
    const ArchivePreview found = Read(file);
    ASSERT_EQ(found.outcome, ArchiveOutcome::Found);
    ASSERT_EQ(found.record.size, preview.size());
    EXPECT_EQ(std::memcmp(found.record.bytes.get(), preview.data(), preview.size()), 0);
    // The tail, the directory and the one record: far less than the file.
    EXPECT_LT(file.bytesRead, 64 * 1024 + 22 + 2000 + Deflate(preview).size() + 64);
}

TEST(ArchiveReader, DocumentsWithoutAUsablePreviewGiveNone)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(5000, 5));
    struct Case {
        const char* what;
        RecordDamage damage;
    };
    RecordDamage wrongCrc;
    wrongCrc.crcXor = 1;
    RecordDamage longer;
    longer.inflatedSizeChange = 1;
    RecordDamage shorter;
    shorter.inflatedSizeChange = -1;
    RecordDamage corrupt;
    corrupt.corruptData = true;
    for (const Case& test :
         {Case{"crc", wrongCrc}, Case{"longer", longer}, Case{"shorter", shorter}, Case{"corrupt data", corrupt}}) {
        MemoryFile file{TypicalDocument(preview, test.damage).Finish(kDecoyEnds).Flatten()};
        EXPECT_EQ(Read(file).outcome, ArchiveOutcome::NoPreview) << test.what;
    }

    ArchiveBuilder withoutPreview;
    withoutPreview.AddRecord("Header2", Content(300, 1));
    withoutPreview.AddRecord("PreviewPNG", Content(300, 2));
    withoutPreview.AddDecoyRecord("Preview", 400, 5000, 3);
    MemoryFile file{withoutPreview.Finish().Flatten()};
    EXPECT_EQ(Read(file).outcome, ArchiveOutcome::NoPreview);
}

TEST(ArchiveReader, DirectoryEntryMustAgreeWithItsRecordAndPointInside)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(5000, 6));
    const auto withEntry = [&](void (*change)(ArchiveEntry&)) {
        ArchiveBuilder builder = TypicalDocument(preview);
        for (ArchiveEntry& entry : builder.Entries())
            if (entry.name == "Preview")
                change(entry);
        MemoryFile file{builder.Finish().Flatten()};
        return Read(file).outcome;
    };
    EXPECT_EQ(withEntry([](ArchiveEntry& entry) { entry.crc ^= 0x100; }), ArchiveOutcome::NoPreview);
    EXPECT_EQ(withEntry([](ArchiveEntry& entry) { entry.storedSize += 1; }), ArchiveOutcome::NoPreview);
    EXPECT_EQ(withEntry([](ArchiveEntry& entry) { entry.storedOffset += 1; }), ArchiveOutcome::NoPreview);
    EXPECT_EQ(withEntry([](ArchiveEntry& entry) { entry.storedOffset = 0xFFFFFFF0u; }), ArchiveOutcome::NoPreview);
    // Sizes beyond the file or the cap are refused before anything is read.
    EXPECT_EQ(withEntry([](ArchiveEntry& entry) { entry.storedSize = 0x7FFFFFFF; }), ArchiveOutcome::NoPreview);
}

TEST(ArchiveReader, ForgedSizesAreRefused)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(5000, 7));
    for (std::int64_t forged :
         {std::int64_t{200} << 20, std::int64_t{kMaxPreviewRecordBytes} + 1, std::int64_t{0xFFFFFFFF}}) {
        RecordDamage damage;
        damage.inflatedSizeChange = forged - static_cast<std::int64_t>(preview.size());
        MemoryFile file{TypicalDocument(preview, damage).Finish().Flatten()};
        EXPECT_EQ(Read(file).outcome, ArchiveOutcome::NoPreview) << forged;
    }
}

TEST(ArchiveReader, CutOrDamagedTailFallsBackToAScanForVerifiedRecords)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(30000, 8));
    const std::vector<unsigned char> whole = TypicalDocument(preview).Finish(kDecoyEnds).Flatten();
    // Where the preview record ends: its deflated data follows its name.
    const std::vector<unsigned char> stored = Deflate(preview);
    const auto at = std::search(whole.begin(), whole.end(), stored.begin(), stored.end());
    ASSERT_NE(at, whole.end());
    const std::size_t previewEnd = static_cast<std::size_t>(at - whole.begin()) + stored.size();

    for (std::size_t cut : {std::size_t{9}, std::size_t{40}, previewEnd - 1, previewEnd, previewEnd + 100,
                            whole.size() - 30, whole.size() - 1}) {
        MemoryFile file{std::vector<unsigned char>(whole.begin(), whole.begin() + cut)};
        const ArchivePreview result = Read(file);
        if (cut >= previewEnd) {
            ASSERT_EQ(result.outcome, ArchiveOutcome::Found) << cut;
            EXPECT_EQ(std::memcmp(result.record.bytes.get(), preview.data(), preview.size()), 0) << cut;
        } else {
            EXPECT_NE(result.outcome, ArchiveOutcome::Found) << cut;
        }
    }
}

TEST(ArchiveReader, FilesOfNeitherKindAreNoArchive)
{
    for (const std::vector<unsigned char>& bytes :
         {std::vector<unsigned char>{}, std::vector<unsigned char>(21, 0), Content(100000, 3),
          std::vector<unsigned char>{'s', 'o', 'l', 'i', 'd', '\n'}}) {
        MemoryFile file{bytes};
        EXPECT_EQ(Read(file).outcome, ArchiveOutcome::NotAnArchive) << bytes.size();
    }
}

// Hundreds of headers whose extra fields all lead to one deflate stream of
// zeros as large as a record may be, the nearest the end with stored sizes
// of their own: the stream is inflated once, whatever sizes the others
// claim for it.
TEST(ArchiveReader, RecordsSharingOneStreamAreCheckedOnce)
{
    const int shared = 40;
    const int distinct = 6;
    MemoryFile file{SharedStreamDocument(shared, distinct, kMaxPreviewRecordBytes)};
    const std::uint64_t fileSize = file.bytes.size();
    EXPECT_EQ(Read(file).outcome, ArchiveOutcome::NoPreview);
    // The tail's search, the scan of the file, a header for each candidate
    // and the stream once (a deflated byte gives about 1030).
    const std::uint64_t streamSize = fileSize - 8 - (shared + distinct) * 37;
    const std::uint64_t expectedAtMost = (64 * 1024 + 22) + fileSize + kMaxPreviewCandidates * 30 + streamSize;
    EXPECT_LE(file.bytesRead, expectedAtMost)
        << "read " << file.bytesRead << " bytes of a " << fileSize << "-byte file; a stream is " << streamSize;
}

// Headers whose stored data all start in one run of zeros, a byte apart,
// each claiming the rest of it: the document cannot hold the second beside
// the first, so the run is read once, not once for every header.
TEST(ArchiveReader, ClaimsTheDocumentCannotHoldTogetherAreRefusedUnread)
{
    constexpr std::uint32_t kRun = 4 * 1024 * 1024;
    MemoryFile file{OverlappingStoredDocument(60, kRun)};
    const std::uint64_t fileSize = file.bytes.size();
    EXPECT_EQ(Read(file).outcome, ArchiveOutcome::NoPreview);
    // The tail's search, the scan of the file, a header for each candidate
    // and the run once.
    const std::uint64_t expectedAtMost = (64 * 1024 + 22) + fileSize + kMaxPreviewCandidates * 30 + kRun;
    EXPECT_LE(file.bytesRead, expectedAtMost)
        << "read " << file.bytesRead << " bytes of a " << fileSize << "-byte file";
}

// Thousands of end-record look-alikes could each declare a directory of the
// largest size that ends where it stands: together they are read only up to
// the budget.
TEST(ArchiveReader, EndRecordLookAlikesReadNoMoreThanTheDirectoryBudget)
{
    MemoryFile file{EndRecordLookAlikeDocument(100, kMaxDirectoryBytes)};
    EXPECT_NE(Read(file).outcome, ArchiveOutcome::Found);
    const std::uint64_t tailAndHeaders = 64 * 1024 + 22 + 64 * 37;
    EXPECT_LE(file.bytesRead, kMaxDirectoryBytesPerDocument + tailAndHeaders)
        << "read " << file.bytesRead << " bytes for 100 look-alikes of " << kMaxDirectoryBytes << " bytes each";
}

// When the last chunk of input holds only the end of the data, the output is
// already full at the declared size; the record is still read to its end.
TEST(ArchiveReader, RecordWhoseDataEndsOneByteIntoTheLastChunkIsRead)
{
    constexpr std::size_t kChunk = 64 * 1024;
    constexpr std::size_t kWanted = 2 * kChunk + 1;
    // Letters drawn at random compress with Huffman codes alone, so the
    // deflated size grows with the content a byte at a time or so.
    std::vector<unsigned char> letters(8 * kChunk);
    std::uint32_t state = 12345;
    for (unsigned char& letter : letters) {
        state = state * 1103515245u + 12345u;
        letter = static_cast<unsigned char>("CORVELLEpreviw! "[(state >> 16) & 15]);
    }
    const auto previewOf = [&](std::size_t size) {
        return PreviewContent(std::vector<unsigned char>(letters.begin(), letters.begin() + size));
    };
    // The shortest content whose deflated record reaches kWanted bytes.
    std::size_t low = 1;
    std::size_t high = letters.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (Deflate(previewOf(middle)).size() < kWanted)
            low = middle + 1;
        else
            high = middle;
    }
    const std::vector<unsigned char> preview = previewOf(low);
    ASSERT_EQ(Deflate(preview).size(), kWanted) << "content of " << low << " bytes";
    MemoryFile file{TypicalDocument(preview).Finish().Flatten()};
    const ArchivePreview found = Read(file);
    ASSERT_EQ(found.outcome, ArchiveOutcome::Found) << "deflated size " << kWanted;
    ASSERT_EQ(found.record.size, preview.size());
    EXPECT_EQ(std::memcmp(found.record.bytes.get(), preview.data(), preview.size()), 0);
}

namespace {

// A document whose holes read as zeros, counting what is read.
struct ImageFile {
    ArchiveImage image;
    std::uint64_t bytesRead = 0;
};

bool ReadImage(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    auto* file = static_cast<ImageFile*>(context);
    file->bytesRead += length;
    std::uint64_t pieceStart = 0;
    for (const ArchivePiece& piece : file->image.pieces) {
        const std::uint64_t bytesEnd = pieceStart + piece.bytes.size();
        const std::uint64_t pieceEnd = bytesEnd + piece.zeros;
        while (length > 0 && offset < pieceEnd) {
            const bool inBytes = offset < bytesEnd;
            const std::uint64_t run = std::min<std::uint64_t>(length, (inBytes ? bytesEnd : pieceEnd) - offset);
            if (inBytes)
                std::memcpy(destination, piece.bytes.data() + (offset - pieceStart), run);
            else
                std::memset(destination, 0, run);
            offset += run;
            destination += run;
            length -= static_cast<std::uint32_t>(run);
        }
        pieceStart = pieceEnd;
    }
    return length == 0;
}

bool DeclineTheFirstKeepTheSecond(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    if (nameIndex == 0)
        return false;
    *static_cast<ArchiveRecord*>(context) = std::move(record);
    return true;
}

}  // namespace

// A copy that stopped before its directory, or a save in progress: the scan
// reads only the end of the file, where the picture records are, and the
// two names of a true-colour look share that one scan.
TEST(ArchiveReader, CutDocumentOfFourGigabytesIsScannedOnceAndOnlyNearItsEnd)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(30000, 10));
    ArchiveBuilder builder;
    builder.AddRecord("Header2", Content(300, 1));
    for (int body = 0; body < 4; ++body)
        builder.AddZeroRecord("Contents/Body" + std::to_string(body), std::uint64_t{1} << 30);
    builder.AddRecord("Preview", preview);
    builder.AddRecord("PreviewPNG", Content(4000, 3));
    ImageFile file{builder.Finish()};
    std::vector<unsigned char>& last = file.image.pieces.back().bytes;
    last.resize(last.size() - 200);  // the directory and end record cut off
    const ByteSource source = {file.image.Size(), &ReadImage, &file};
    ASSERT_GT(source.size, std::uint64_t{4} << 30);

    const WantedRecord names[] = {{"PreviewPNG", kMaxPreviewRecordBytes}, {"Preview", kMaxPreviewRecordBytes}};
    ArchiveRecord kept = {};
    const ArchiveOutcome outcome = ReadArchiveRecords(source, names, 2, &DeclineTheFirstKeepTheSecond, &kept);
    ASSERT_EQ(outcome, ArchiveOutcome::Found);
    ASSERT_EQ(kept.size, preview.size());
    EXPECT_EQ(std::memcmp(kept.bytes.get(), preview.data(), preview.size()), 0);
    // One scan of the end, the tail's search, and the two records.
    const std::uint64_t expectedAtMost = kMaxScanBytesPerDocument + 64 * 1024 + 4 * 64 * 1024;
    EXPECT_LE(file.bytesRead, expectedAtMost)
        << "read " << file.bytesRead << " bytes of a " << source.size << "-byte document";
}

namespace {

// A drawing's look: its sheet names, handed on and noted, then its picture.
struct DrawingLook {
    bool namesHanded = false;
    ArchiveRecord picture = {};
};

bool NoteNamesKeepPicture(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    auto* look = static_cast<DrawingLook*>(context);
    if (nameIndex == 0) {
        look->namesHanded = true;
        return false;
    }
    look->picture = std::move(record);
    return true;
}

const WantedRecord kDrawingRecords[] = {{"SheetPreviews/SheetNames", kMaxSheetNamesBytes},
                                        {"Preview", kMaxPreviewRecordBytes}};

DrawingLook LookAtDrawing(MemoryFile& file)
{
    const ByteSource source = {file.bytes.size(), &ReadMemory, &file};
    DrawingLook look;
    EXPECT_EQ(ReadArchiveRecords(source, kDrawingRecords, 2, &NoteNamesKeepPicture, &look), ArchiveOutcome::Found);
    EXPECT_FALSE(file.readOutside);
    return look;
}

}  // namespace

// Real sheet names take a few hundred bytes. A record of them declaring
// 200 MiB (deflated zeros, about 200 KB in the file) is refused by that
// size, in its directory entry or, the directory cut off, its own header,
// before any of its data is read; the picture is found as ever.
TEST(ArchiveReader, SheetNamesDeclaredPastTheirCapAreRefusedUnread)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(30000, 10));
    ArchiveBuilder builder;
    builder.AddRecord("Header2", Content(300, 1));
    builder.AddDeflatedZeroRecord("SheetPreviews/SheetNames", 200u << 20);
    builder.AddRecord("Preview", preview);
    const std::vector<unsigned char> whole = builder.Finish().Flatten();
    const std::uint64_t previewStored = Deflate(preview).size();
    const std::uint64_t tailSearch = 64 * 1024 + 22;
    const std::uint64_t headersAndDirectory = 1024;

    MemoryFile listed{whole};
    DrawingLook look = LookAtDrawing(listed);
    EXPECT_FALSE(look.namesHanded);
    ASSERT_EQ(look.picture.size, preview.size());
    EXPECT_EQ(std::memcmp(look.picture.bytes.get(), preview.data(), preview.size()), 0);
    EXPECT_LE(listed.bytesRead, tailSearch + headersAndDirectory + 2 * previewStored) << "of " << whole.size();

    MemoryFile cut{std::vector<unsigned char>(whole.begin(), whole.end() - 100)};
    look = LookAtDrawing(cut);
    EXPECT_FALSE(look.namesHanded);
    ASSERT_EQ(look.picture.size, preview.size());
    EXPECT_LE(cut.bytesRead, tailSearch + cut.bytes.size() + headersAndDirectory + 2 * previewStored)
        << "of " << cut.bytes.size();
}

// A cut drawing whose end holds more sheet-names look-alikes than the
// document may try candidates: they spend a budget of their own, and the
// picture before them is still found.
TEST(ArchiveReader, SheetNamesCandidatesLeaveThePicturesTheirBudget)
{
    const std::vector<unsigned char> preview = PreviewContent(Content(30000, 10));
    ArchiveBuilder builder;
    builder.AddRecord("Header2", Content(300, 1));
    builder.AddRecord("Preview", preview);
    for (std::uint32_t decoy = 0; decoy < kMaxPreviewCandidates + 6; ++decoy)
        builder.AddDecoyRecord("SheetPreviews/SheetNames", 400, 5000, decoy);
    std::vector<unsigned char> bytes = builder.Finish().Flatten();
    bytes.resize(bytes.size() - 100);
    MemoryFile file{bytes};
    const DrawingLook look = LookAtDrawing(file);
    EXPECT_FALSE(look.namesHanded);
    ASSERT_EQ(look.picture.size, preview.size());
    EXPECT_EQ(std::memcmp(look.picture.bytes.get(), preview.data(), preview.size()), 0);
}

namespace {

struct Visited {
    std::vector<std::string> names;
    std::vector<std::string> records;
};

void VisitName(void* context, const char* name, std::uint32_t length)
{
    static_cast<Visited*>(context)->names.emplace_back(name, length);
}

bool NoteRecord(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    static_cast<Visited*>(context)->records.push_back(
        std::to_string(nameIndex) + ":" + std::string(record.bytes.get(), record.bytes.get() + record.size));
    return false;
}

}  // namespace

// The information look: every name of the real directory, in its order and
// never those of a look-alike's; records capped at a size of their own,
// refused by what they declare.
TEST(ArchiveReader, VisitsTheNamesOfTheRealDirectoryAndCapsEachRecord)
{
    ArchiveBuilder builder = TypicalDocument(PreviewContent(Content(5000, 3)));
    builder.AddRecord("_MO_VERSION_17000/History", Content(64, 5));
    builder.AddRecord(std::string(65, 'n'), Content(10, 6));
    builder.AddRecord("docProps/custom.xml", std::vector<unsigned char>(2000, 'c'));
    builder.AddDeflatedZeroRecord("Big", 200u << 20);
    MemoryFile file{builder.Finish(kDecoyEnds).Flatten()};
    const ByteSource source = {file.bytes.size(), &ReadMemory, &file};
    const WantedRecord wanted[] = {{"docProps/custom.xml", 1999}, {"docProps/core.xml", 500}, {"Big", 64 * 1024}};
    Visited visited;
    EXPECT_EQ(ReadArchiveRecords(source, wanted, 3, &NoteRecord, &visited, &VisitName), ArchiveOutcome::NoPreview);
    EXPECT_FALSE(file.readOutside);
    const std::vector<std::string> names = {"Header2",
                                            "Contents/Config-0",
                                            "Preview",
                                            "PreviewPNG",
                                            "docProps/core.xml",
                                            "_MO_VERSION_17000/History",
                                            "docProps/custom.xml",
                                            "Big"};
    EXPECT_EQ(visited.names, names) << "the 65-byte name is passed over";
    // 2000 bytes past a cap of 1999, and 200 MiB past 64 KiB, are refused
    // unread: only the core record, the one that fits, is handed on.
    ASSERT_EQ(visited.records.size(), 1u);
    EXPECT_EQ(visited.records[0].substr(0, 2), "1:");
    EXPECT_LT(file.bytesRead, 200u * 1024) << "the 200 MiB record was not read";

    // A document cut before its directory has no names to visit.
    std::vector<unsigned char> cut = file.bytes;
    cut.resize(cut.size() / 2);
    MemoryFile cutFile{cut};
    const ByteSource cutSource = {cutFile.bytes.size(), &ReadMemory, &cutFile};
    Visited none;
    ReadArchiveRecords(cutSource, wanted, 3, &NoteRecord, &none, &VisitName);
    EXPECT_TRUE(none.names.empty());
}
