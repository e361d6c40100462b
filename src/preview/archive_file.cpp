#include "preview/archive_file.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_reader.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"

#include <objbase.h>

namespace {

constexpr wchar_t kPreviewRecordName[] = L"Preview";
constexpr wchar_t kPreviewRecordOperation[] = L"ReadPreviewRecord";

bool ReadFileAt(void* context, std::uint64_t offset, unsigned char* destination, std::uint32_t length)
{
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD delivered = 0;
    return ReadFile(static_cast<HANDLE>(context), destination, length, &delivered, &position) && delivered == length;
}

// Opened as the compound path opens a document: others may read it
// meanwhile, nobody may write it. Closed before this returns.
ArchivePreview ReadArchiveFile(const wchar_t* documentPath, bool* opened)
{
    ScopedFile file(CreateFileW(documentPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    *opened = file.IsOpen();
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size))
        return {ArchiveOutcome::NotAnArchive, nullptr, 0};
    const ByteSource source = {static_cast<std::uint64_t>(size.QuadPart), &ReadFileAt, file.Get()};
    return ReadArchivePreview(source);
}

// The block is already in memory, right after its count.
const unsigned char* BlockAfterCount(void* record, std::uint32_t /*blockSize*/)
{
    return static_cast<const unsigned char*>(record) + kPreviewCountSize;
}

void ReportMissingPreview()
{
    if (IsDebugEnabled())
        ReportHresult(STG_E_FILENOTFOUND, kPreviewRecordOperation, kPreviewRecordName);
}

}  // namespace

HBITMAP LoadArchivePreviewBitmap(const wchar_t* documentPath, HRESULT storageResult)
{
    bool opened = false;
    const ArchivePreview preview = ReadArchiveFile(documentPath, &opened);
    if (!opened) {
        if (IsDebugEnabled())
            ReportLastError(L"CreateFileW", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    if (preview.outcome == ArchiveOutcome::NotAnArchive) {
        if (IsDebugEnabled())
            ReportHresult(storageResult, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    if (preview.outcome != ArchiveOutcome::Found || preview.size < kPreviewCountSize) {
        ReportMissingPreview();
        return nullptr;
    }
    // From here on the bytes take the compound file's road.
    const PreviewPicture picture = PictureFromPreviewRecord(preview.bytes.get(), preview.size - kPreviewCountSize,
                                                            &BlockAfterCount, preview.bytes.get());
    if (picture.refused)
        ReportMissingPreview();
    return picture.bitmap;
}
