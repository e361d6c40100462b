#pragma once

// The "Preview" record of a document saved by current CAD versions: a
// zip-style archive of deflated records whose signatures and names are
// disguised and whose stored offsets count from byte 8 of the file. Platform
// free: the bytes come through a read-at-offset callback.

#include "base/scoped_malloc.h"
#include "preview/preview_record.h"

#include <cstdint>

// Random access to a document's bytes.
struct ByteSource {
    std::uint64_t size;
    // Fills destination with length bytes from offset; false when they cannot
    // all be had. Never called for bytes outside [0, size).
    bool (*read)(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length);
    void* context;
};

enum class ArchiveOutcome {
    NotAnArchive,  // no directory, and the start does not look like a record
    NoPreview,     // an archive without a "Preview" record that verifies
    Found,
};

// A record found and checked: its inflated bytes and their number.
struct ArchiveRecord {
    ScopedMalloc<unsigned char> bytes;
    std::uint32_t size;
};

struct ArchivePreview {
    ArchiveOutcome outcome;
    ArchiveRecord record;  // when found
};

// Largest directory read: real documents list a few hundred records.
inline constexpr std::uint32_t kMaxDirectoryBytes = 16 * 1024 * 1024;

// The work one document may cost, whatever its bytes claim. A real document
// needs one directory, one record of a few hundred kilobytes and, when its
// tail is damaged, tries at most 19 records named "Preview"; twice the
// largest of each leaves room for one decoy as large as the real thing.
// Past any of these the document has no picture. A record capped well below
// a picture (a drawing's sheet names) is checked on a budget of its own,
// twice its cap, so that whatever it costs leaves the pictures theirs.
inline constexpr std::uint64_t kMaxDirectoryBytesPerDocument = 2ull * kMaxDirectoryBytes;
// Bytes inflated, and stored bytes read, while checking candidate records.
inline constexpr std::uint64_t kMaxInflatedBytesPerDocument = 2ull * kMaxPreviewRecordBytes;
inline constexpr std::uint64_t kMaxRecordReadBytesPerDocument = 2ull * kMaxPreviewRecordBytes;
inline constexpr std::uint32_t kMaxPreviewCandidates = 64;

// Record names are matched whole: "Preview" never matches "PreviewPNG".
// The longest name read is "SheetPreviews/SheetNames".
inline constexpr std::uint32_t kMaxRecordNameLength = 24;

// A document whose directory is damaged or cut off is scanned for records
// of the names wanted, from its end backwards, reading at most this much.
// The CAD program writes its picture records near the end: in real
// documents they lie within the last 320 KB, and a cut copy or a save in
// progress of any size must cost no more than a small document.
inline constexpr std::uint64_t kMaxScanBytesPerDocument = 32ull * 1024 * 1024;

// Names looked for in one look at a document: a drawing's sheet names,
// "PreviewPNG" and "Preview"; or its two information records.
inline constexpr std::uint32_t kMaxNamesPerDocument = 3;

// A record looked for: its name, and the most bytes it may inflate to. One
// that declares more, in its directory entry or its own header, is refused
// on that alone, before a byte of its data is read.
struct WantedRecord {
    const char* name;
    std::uint32_t maxBytes;  // at most kMaxPreviewRecordBytes
};

// Finds the real end record among look-alikes, walks the directory to the
// entries of the names wanted and reads only those records; without a valid
// directory, scans the document's end for records of those names. The
// directory is searched, or the end scanned, once for all the names, and
// every record tried is charged to the one budget of the document. Only a
// record whose data inflates to exactly its declared size with a matching
// CRC-32 is handed on. A candidate is checked in a small window before its
// bytes are kept, so that records which do not check out cost no memory;
// the one that does is inflated again into a buffer of its size. A
// candidate whose data starts where one already checked did, or whose
// stored bytes the document cannot hold beside those of the ones checked
// (records do not overlap), is refused without a byte read.
//
// Records are handed to use in the order of the names, one at a time, each
// freed before the next is read, until use has what it looks for (returns
// true); the outcome is Found only then. A record use takes something from
// and still returns false for lets the look go on to the next name.
//
// With visitName, every name the valid directory lists is handed to it in
// the directory's order, before any record is read, for names that only a
// prefix tells; names longer than kMaxVisitedNameLength are passed over. A
// document without a valid directory has no names to visit.
using ArchiveRecordUse = bool (*)(void* context, std::uint32_t nameIndex, ArchiveRecord& record);
using ArchiveNameVisit = void (*)(void* context, const char* name, std::uint32_t length);
inline constexpr std::uint32_t kMaxVisitedNameLength = 64;
ArchiveOutcome ReadArchiveRecords(const ByteSource& source, const WantedRecord* wanted, std::uint32_t wantedCount,
                                  ArchiveRecordUse use, void* context, ArchiveNameVisit visitName = nullptr);

// The record of one name, through the same look, capped as a picture is.
ArchivePreview ReadArchiveRecord(const ByteSource& source, const char* name);
