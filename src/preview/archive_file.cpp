#include "preview/archive_file.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_reader.h"
#include "preview/png_picture.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"
#include "preview/sheet_names.h"

#include <objbase.h>

#include <cstdint>
#include <utility>

namespace {

constexpr wchar_t kPreviewRecordName[] = L"Preview";
constexpr char kPreviewRecordNameAnsi[] = "Preview";
constexpr char kPngRecordName[] = "PreviewPNG";
constexpr wchar_t kPreviewRecordOperation[] = L"ReadPreviewRecord";
constexpr char kSheetNamesRecordName[] = "SheetPreviews/SheetNames";

bool ReadFileAt(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD delivered = 0;
    return ReadFile(static_cast<HANDLE>(context), destination, length, &delivered, &position) && delivered == length;
}

// What one look at the file gave: the true-colour picture when it was wanted
// and usable, else the "Preview" record; the sheet names when asked for.
struct ArchiveRead {
    const COLORREF* background;  // what a true-colour picture is laid over
    SheetList* sheets;           // null when not asked for
    std::uint32_t sheetNamesAt;  // where these two stand among the names
    std::uint32_t pngAt;
    bool opened;
    ArchiveOutcome outcome;
    HBITMAP truePicture;
    ArchiveRecord preview;
};

// The names in the order they are wanted: a drawing's sheet names first,
// as they never end the look; with TrueColor=1 the true-colour record, then
// "Preview" for when that one is missing or gives no picture.
constexpr std::uint32_t kNotWanted = kMaxNamesPerDocument;
struct WantedNames {
    WantedRecord names[kMaxNamesPerDocument];
    std::uint32_t count;
    std::uint32_t sheetNamesAt;  // index of each name, or kNotWanted
    std::uint32_t pngAt;
};

WantedNames NamesWanted(bool sheets, bool trueColor)
{
    WantedNames wanted = {{}, 0, kNotWanted, kNotWanted};
    if (sheets) {
        wanted.sheetNamesAt = wanted.count;
        wanted.names[wanted.count++] = {kSheetNamesRecordName, kMaxSheetNamesBytes};
    }
    if (trueColor) {
        wanted.pngAt = wanted.count;
        wanted.names[wanted.count++] = {kPngRecordName, kMaxPreviewRecordBytes};
    }
    wanted.names[wanted.count++] = {kPreviewRecordNameAnsi, kMaxPreviewRecordBytes};
    return wanted;
}

// Takes the sheet names and goes on; decodes the true-colour record,
// declining it when it gives no picture; keeps the "Preview" record as it is.
bool UseRecord(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    auto* read = static_cast<ArchiveRead*>(context);
    if (nameIndex == read->sheetNamesAt) {
        ParseSheetNames(record.bytes.get(), record.size, *read->sheets);
        return false;
    }
    if (nameIndex == read->pngAt) {
        read->truePicture = BitmapFromPng(record.bytes.get(), record.size, read->background);
        return read->truePicture != nullptr;
    }
    read->preview = std::move(record);
    return true;
}

ArchiveRead ReadArchiveFile(const wchar_t* documentPath, bool trueColor, const COLORREF* background, SheetList* sheets)
{
    const WantedNames wanted = NamesWanted(sheets != nullptr, trueColor);
    ArchiveRead read = {background, sheets, wanted.sheetNamesAt, wanted.pngAt, false, ArchiveOutcome::NotAnArchive,
                        nullptr,    {}};
    const ScopedFile file(OpenDocumentFile(documentPath));
    read.opened = file.IsOpen();
    ByteSource source = {};
    if (!SourceOf(file, source))
        return read;
    // One look and one budget, whichever names are wanted. A true-colour
    // record that is missing, refused or does not decode gives way to
    // "Preview" without a word.
    read.outcome = ReadArchiveRecords(source, wanted.names, wanted.count, &UseRecord, &read);
    return read;
}

// The block is already in memory, right after its count.
const unsigned char* BlockAfterCount(void* record, std::uint32_t /*blockSize*/)
{
    return static_cast<const unsigned char*>(record) + kPreviewCountSize;
}

}  // namespace

// Closed before the reader returns, so before any box is shown.
constexpr DWORD kDocumentSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenDocumentFile(const wchar_t* documentPath)
{
    return CreateFileW(documentPath, GENERIC_READ, kDocumentSharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool SourceOf(const ScopedFile& file, ByteSource& source)
{
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size))
        return false;
    source = {static_cast<std::uint64_t>(size.QuadPart), &ReadFileAt, file.Get()};
    return true;
}

HBITMAP LoadArchivePreviewBitmap(const wchar_t* documentPath, HRESULT storageResult, const COLORREF* background,
                                 SheetList* sheets)
{
    const ArchiveRead read = ReadArchiveFile(documentPath, IsTrueColorWanted(), background, sheets);
    if (read.truePicture != nullptr)
        return read.truePicture;
    if (!read.opened) {
        ReportLastErrorIfDebug(L"CreateFileW", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    if (read.outcome == ArchiveOutcome::NotAnArchive) {
        ReportHresultIfDebug(storageResult, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    const ArchiveRecord& preview = read.preview;
    if (read.outcome != ArchiveOutcome::Found || preview.size < kPreviewCountSize) {
        ReportHresultIfDebug(STG_E_FILENOTFOUND, kPreviewRecordOperation, kPreviewRecordName);
        return nullptr;
    }
    // From here on the bytes take the compound file's road.
    const PreviewPicture picture = PictureFromPreviewRecord(preview.bytes.get(), preview.size - kPreviewCountSize,
                                                            &BlockAfterCount, preview.bytes.get());
    if (picture.refused)
        ReportHresultIfDebug(STG_E_FILENOTFOUND, kPreviewRecordOperation, kPreviewRecordName);
    return picture.bitmap;
}

HBITMAP LoadArchiveSheetBitmap(const wchar_t* documentPath, std::uint32_t sheetIndex, const COLORREF* background,
                               SheetPictureFailure* failure)
{
    char name[kSheetPictureNameCapacity];
    SheetPictureName(sheetIndex, name);
    ArchivePreview record = {};
    {
        const ScopedFile file(OpenDocumentFile(documentPath));
        ByteSource source = {};
        if (!SourceOf(file, source)) {
            *failure = SheetPictureFailure::Missing;
            return nullptr;
        }
        record = ReadArchiveRecord(source, name);
    }  // closed before the picture is decoded
    if (record.outcome != ArchiveOutcome::Found) {
        *failure = SheetPictureFailure::Missing;
        return nullptr;
    }
    HBITMAP picture = BitmapFromPng(record.record.bytes.get(), record.record.size, background);
    *failure = picture != nullptr ? SheetPictureFailure::None : SheetPictureFailure::Undecodable;
    return picture;
}

bool ReadArchiveExtras(const wchar_t* documentPath, SheetList& sheets, bool* hasPreview)
{
    *hasPreview = false;
    const ArchiveRead read = ReadArchiveFile(documentPath, false, nullptr, &sheets);
    if (read.outcome == ArchiveOutcome::NotAnArchive)
        return false;
    const ArchiveRecord& preview = read.preview;
    if (read.outcome == ArchiveOutcome::Found && preview.size >= kPreviewCountSize)
        *hasPreview = PreviewRecordChecksOut(preview.bytes.get(), preview.size - kPreviewCountSize, &BlockAfterCount,
                                             preview.bytes.get());
    return true;
}
