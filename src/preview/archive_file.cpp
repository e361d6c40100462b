#include "preview/archive_file.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_reader.h"
#include "preview/png_picture.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"

#include <objbase.h>

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
    bool opened;
    HBITMAP truePicture;
    ArchivePreview preview;
};

// Opened as the compound path opens a document: others may read it
// meanwhile, nobody may write it. Closed before this returns, so before any
// box is shown.
ArchiveRead ReadArchiveFile(const wchar_t* documentPath, bool trueColor)
{
    ArchiveRead read = {false, nullptr, {ArchiveOutcome::NotAnArchive, {}}};
    ScopedFile file(CreateFileW(documentPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    read.opened = file.IsOpen();
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size))
        return read;
    const ByteSource source = {static_cast<std::uint64_t>(size.QuadPart), &ReadFileAt, file.Get()};
    // A true-colour record that is missing, refused or does not decode falls
    // back to "Preview" without a word.
    if (trueColor) {
        const ArchivePreview png = ReadArchiveRecord(source, kPngRecordName);
        if (png.outcome == ArchiveOutcome::Found)
            read.truePicture = BitmapFromPng(png.record.bytes.get(), png.record.size);
        if (read.truePicture != nullptr)
            return read;
    }
    read.preview = ReadArchiveRecord(source, kPreviewRecordNameAnsi);
    return read;
}

// The block is already in memory, right after its count.
const unsigned char* BlockAfterCount(void* record, std::uint32_t /*blockSize*/)
{
    return static_cast<const unsigned char*>(record) + kPreviewCountSize;
}

}  // namespace

HBITMAP LoadArchivePreviewBitmap(const wchar_t* documentPath, HRESULT storageResult)
{
    const ArchiveRead read = ReadArchiveFile(documentPath, IsTrueColorWanted());
    if (read.truePicture != nullptr)
        return read.truePicture;
    const ArchivePreview& preview = read.preview;
    if (!read.opened) {
        ReportLastErrorIfDebug(L"CreateFileW", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    if (preview.outcome == ArchiveOutcome::NotAnArchive) {
        ReportHresultIfDebug(storageResult, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    if (preview.outcome != ArchiveOutcome::Found || preview.record.size < kPreviewCountSize) {
        ReportHresultIfDebug(STG_E_FILENOTFOUND, kPreviewRecordOperation, kPreviewRecordName);
        return nullptr;
    }
    // From here on the bytes take the compound file's road.
    const PreviewPicture picture =
        PictureFromPreviewRecord(preview.record.bytes.get(), preview.record.size - kPreviewCountSize, &BlockAfterCount,
                                 preview.record.bytes.get());
    if (picture.refused)
        ReportHresultIfDebug(STG_E_FILENOTFOUND, kPreviewRecordOperation, kPreviewRecordName);
    return picture.bitmap;
}
