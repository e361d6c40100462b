#include "preview/preview_reader.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_file.h"
#include "preview/png_picture.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"

#include <objbase.h>

#include <cstdlib>

namespace {

// Others may go on reading the document while we do, but not write it.
constexpr DWORD kDocumentMode = STGM_READ | STGM_SHARE_DENY_WRITE | STGM_DIRECT;
constexpr DWORD kStreamMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr wchar_t kPreviewStreamName[] = L"Preview";
constexpr wchar_t kPngStreamName[] = L"PreviewPNG";

// The stream after its count, and the block read from it: malloc'd so that
// the tests can observe and refuse it at the import table.
struct StreamBlock {
    IStream* stream;
    ScopedMalloc<unsigned char> block;
};

// The block in a buffer of exactly its size, read in one go.
const unsigned char* ReadStreamBlock(void* context, std::uint32_t blockSize)
{
    auto* source = static_cast<StreamBlock*>(context);
    source->block.reset(static_cast<unsigned char*>(std::malloc(blockSize)));
    if (source->block == nullptr)
        return nullptr;
    ULONG delivered = 0;
    if (FAILED(source->stream->Read(source->block.get(), blockSize, &delivered)) || delivered != blockSize)
        return nullptr;
    return source->block.get();
}

// The true-colour picture of the root stream "PreviewPNG", or null, silently:
// the "Preview" stream is then read as always.
HBITMAP LoadPngStream(IStorage* storage)
{
    IStream* openedStream = nullptr;
    if (FAILED(storage->OpenStream(kPngStreamName, nullptr, kStreamMode, 0, &openedStream)) || openedStream == nullptr)
        return nullptr;
    ScopedCom<IStream> stream(openedStream);
    STATSTG status = {};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart == 0 ||
        status.cbSize.QuadPart > kMaxPreviewRecordBytes)
        return nullptr;
    const auto size = static_cast<ULONG>(status.cbSize.QuadPart);
    ScopedMalloc<unsigned char> bytes(static_cast<unsigned char*>(std::malloc(size)));
    ULONG delivered = 0;
    if (bytes == nullptr || FAILED(stream->Read(bytes.get(), size, &delivered)) || delivered != size)
        return nullptr;
    return BitmapFromPng(bytes.get(), size);
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
        ReportHresultIfDebug(result, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    // Declared first, released last: buffer, stream, storage.
    ScopedCom<IStorage> storage(openedStorage);
    if (storage == nullptr)
        return nullptr;
    if (IsTrueColorWanted()) {
        HBITMAP picture = LoadPngStream(storage.get());
        if (picture != nullptr)
            return picture;
    }

    IStream* openedStream = nullptr;
    result = storage->OpenStream(kPreviewStreamName, nullptr, kStreamMode, 0, &openedStream);
    if (FAILED(result)) {
        ReportHresultIfDebug(result, L"LPSTORAGE::OpenStream", kPreviewStreamName);
        return nullptr;
    }
    ScopedCom<IStream> stream(openedStream);
    if (stream == nullptr)
        return nullptr;

    unsigned char count[kPreviewCountSize] = {};
    ULONG delivered = 0;
    if (FAILED(stream->Read(count, kPreviewCountSize, &delivered)) || delivered != kPreviewCountSize)
        return nullptr;
    STATSTG status = {};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart < kPreviewCountSize)
        return nullptr;
    // A refused picture stays silent here, as every other failure after
    // the stream is open does.
    StreamBlock source = {stream.get(), nullptr};
    return PictureFromPreviewRecord(count, status.cbSize.QuadPart - kPreviewCountSize, &ReadStreamBlock, &source)
        .bitmap;
}
