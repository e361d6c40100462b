#include "preview/preview_reader.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_file.h"
#include "preview/dib_layout.h"
#include "preview/preview_record.h"
#include "preview/screen_bitmap.h"

#include <objbase.h>

#include <cstdlib>

namespace {

// Others may go on reading the document while we do, but not write it.
constexpr DWORD kDocumentMode = STGM_READ | STGM_SHARE_DENY_WRITE | STGM_DIRECT;
constexpr DWORD kStreamMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr wchar_t kPreviewStreamName[] = L"Preview";

// malloc'd so that the tests can observe and refuse it at the import table.
using ScopedBlock = ScopedMalloc<unsigned char>;

// Reads the 32-bit byte count that precedes the block; 0 when it cannot be
// read or the stream cannot hold that many bytes after it.
ULONG ReadBlockSize(IStream* stream)
{
    unsigned char count[kPreviewCountSize] = {};
    ULONG delivered = 0;
    if (FAILED(stream->Read(count, kPreviewCountSize, &delivered)) || delivered != kPreviewCountSize)
        return 0;
    STATSTG status = {};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart < kPreviewCountSize)
        return 0;
    return PreviewBlockSize(count, status.cbSize.QuadPart - kPreviewCountSize);
}

}  // namespace

HBITMAP LoadPreviewBitmap(const wchar_t* documentPath)
{
    if (documentPath == nullptr)
        return nullptr;

    IStorage* openedStorage = nullptr;
    HRESULT result = StgOpenStorage(documentPath, nullptr, kDocumentMode, nullptr, 0, &openedStorage);
    // Documents of current CAD versions are no compound files: the preview
    // is then read from their archive.
    if (result == STG_E_FILEALREADYEXISTS)
        return LoadArchivePreviewBitmap(documentPath, result);
    if (FAILED(result)) {
        if (IsDebugEnabled())
            ReportHresult(result, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    // Declared first, released last: buffer, stream, storage.
    ScopedCom<IStorage> storage(openedStorage);
    if (storage == nullptr)
        return nullptr;

    IStream* openedStream = nullptr;
    result = storage->OpenStream(kPreviewStreamName, nullptr, kStreamMode, 0, &openedStream);
    if (FAILED(result)) {
        if (IsDebugEnabled())
            ReportHresult(result, L"LPSTORAGE::OpenStream", kPreviewStreamName);
        return nullptr;
    }
    ScopedCom<IStream> stream(openedStream);
    if (stream == nullptr)
        return nullptr;

    const ULONG blockSize = ReadBlockSize(stream.get());
    if (blockSize == 0)
        return nullptr;
    ScopedBlock block(static_cast<unsigned char*>(std::malloc(blockSize)));
    if (block == nullptr)
        return nullptr;
    ULONG delivered = 0;
    if (FAILED(stream->Read(block.get(), blockSize, &delivered)) || delivered != blockSize)
        return nullptr;

    const DibLayout layout = LocateDibPixels(block.get(), blockSize);
    if (!layout.valid)
        return nullptr;
    return CreateScreenBitmap(block.get(), layout);
}
