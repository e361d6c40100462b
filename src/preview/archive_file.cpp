#include "preview/archive_file.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_reader.h"
#include "preview/png_picture.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"

#include <objbase.h>

#include <cstdint>
#include <utility>

namespace {

constexpr wchar_t kPreviewRecordName[] = L"Preview";
constexpr char kPreviewRecordNameAnsi[] = "Preview";
constexpr char kPngRecordName[] = "PreviewPNG";
constexpr wchar_t kPreviewRecordOperation[] = L"ReadPreviewRecord";

bool ReadFileAt(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD delivered = 0;
    return ReadFile(static_cast<HANDLE>(context), destination, length, &delivered, &position) && delivered == length;
}

// What one look at the file gave: the true-colour picture when it was wanted
// and usable, else the "Preview" record.
struct ArchiveRead {
    const COLORREF* background;  // what a true-colour picture is laid over
    bool opened;
    ArchiveOutcome outcome;
    HBITMAP truePicture;
    ArchiveRecord preview;
};

// The names in the order they are wanted: with TrueColor=1 the true-colour
// record first, then "Preview" for when that one is missing or gives no
// picture; otherwise "Preview" alone.
constexpr const char* kWantedNames[] = {kPngRecordName, kPreviewRecordNameAnsi};
constexpr std::uint32_t kPngNameIndex = 0;

// Decodes the true-colour record, declining it when it gives no picture;
// keeps the "Preview" record as it is.
bool UseTrueColorFirst(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    auto* read = static_cast<ArchiveRead*>(context);
    if (nameIndex == kPngNameIndex) {
        read->truePicture = BitmapFromPng(record.bytes.get(), record.size, read->background);
        return read->truePicture != nullptr;
    }
    read->preview = std::move(record);
    return true;
}

bool UsePreview(void* context, std::uint32_t /*nameIndex*/, ArchiveRecord& record)
{
    static_cast<ArchiveRead*>(context)->preview = std::move(record);
    return true;
}

// Others may read, write, rename or delete the document meanwhile: the CAD
// program saving it must never be refused because a preview is being read,
// and a record that changes under us fails its CRC check. Closed before this
// returns, so before any box is shown.
constexpr DWORD kDocumentSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

ArchiveRead ReadArchiveFile(const wchar_t* documentPath, bool trueColor, const COLORREF* background)
{
    ArchiveRead read = {background, false, ArchiveOutcome::NotAnArchive, nullptr, {}};
    ScopedFile file(CreateFileW(documentPath, GENERIC_READ, kDocumentSharing, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    read.opened = file.IsOpen();
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size))
        return read;
    const ByteSource source = {static_cast<std::uint64_t>(size.QuadPart), &ReadFileAt, file.Get()};
    // One look and one budget, whichever names are wanted. A true-colour
    // record that is missing, refused or does not decode gives way to
    // "Preview" without a word.
    if (trueColor)
        read.outcome = ReadArchiveRecords(source, kWantedNames, 2, &UseTrueColorFirst, &read);
    else
        read.outcome = ReadArchiveRecords(source, kWantedNames + 1, 1, &UsePreview, &read);
    return read;
}

// The block is already in memory, right after its count.
const unsigned char* BlockAfterCount(void* record, std::uint32_t /*blockSize*/)
{
    return static_cast<const unsigned char*>(record) + kPreviewCountSize;
}

}  // namespace

HBITMAP LoadArchivePreviewBitmap(const wchar_t* documentPath, HRESULT storageResult, const COLORREF* background)
{
    const ArchiveRead read = ReadArchiveFile(documentPath, IsTrueColorWanted(), background);
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
