#include "preview/preview_reader.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_file.h"
#include "preview/png_header.h"
#include "preview/png_picture.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"

#include <objbase.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

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

// A stream of the root storage, read-only and exclusive; *result says why
// there is none.
ScopedCom<IStream> OpenRootStream(IStorage* storage, const wchar_t* name, HRESULT* result)
{
    IStream* opened = nullptr;
    *result = storage->OpenStream(name, nullptr, kStreamMode, 0, &opened);
    return ScopedCom<IStream>(SUCCEEDED(*result) ? opened : nullptr);
}

// The size the storage's directory gives the stream; 0 when it cannot say.
std::uint64_t StreamSize(IStream* stream)
{
    STATSTG status = {};
    return SUCCEEDED(stream->Stat(&status, STATFLAG_NONAME)) ? status.cbSize.QuadPart : 0;
}

// The document's size on disk; 0 when it cannot be had.
std::uint64_t DocumentSize(const wchar_t* documentPath)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(documentPath, GetFileExInfoStandard, &attributes))
        return 0;
    return std::uint64_t{attributes.nFileSizeHigh} << 32 | attributes.nFileSizeLow;
}

// The true-colour picture of the root stream "PreviewPNG", or null, silently:
// the "Preview" stream is then read as always. The signature and header are
// read and checked first, and a size no larger than the document itself is
// asked of the allocator only after them.
HBITMAP LoadPngStream(IStorage* storage, const wchar_t* documentPath, const COLORREF* background)
{
    HRESULT result = S_OK;
    ScopedCom<IStream> stream = OpenRootStream(storage, kPngStreamName, &result);
    if (stream == nullptr)
        return nullptr;
    unsigned char header[kPngHeaderBytes] = {};
    ULONG delivered = 0;
    if (FAILED(stream->Read(header, sizeof header, &delivered)) || delivered != sizeof header ||
        !ReadPngSize(header, sizeof header).valid)
        return nullptr;
    const std::uint64_t streamSize = StreamSize(stream.get());
    if (streamSize < sizeof header || streamSize > kMaxPreviewRecordBytes || streamSize > DocumentSize(documentPath))
        return nullptr;
    const auto size = static_cast<ULONG>(streamSize);
    ScopedMalloc<unsigned char> bytes(static_cast<unsigned char*>(std::malloc(size)));
    if (bytes == nullptr)
        return nullptr;
    std::memcpy(bytes.get(), header, sizeof header);
    const ULONG rest = size - sizeof header;
    if (FAILED(stream->Read(bytes.get() + sizeof header, rest, &delivered)) || delivered != rest)
        return nullptr;
    return BitmapFromPng(bytes.get(), size, background);
}

}  // namespace

HBITMAP LoadPreviewBitmap(const wchar_t* documentPath, const COLORREF* background)
{
    if (documentPath == nullptr)
        return nullptr;

    IStorage* openedStorage = nullptr;
    HRESULT result = StgOpenStorage(documentPath, nullptr, kDocumentMode, nullptr, 0, &openedStorage);
    // Documents of current CAD versions are no compound files: the preview
    // is then read from their archive. One that the CAD program holds open
    // while saving it cannot be opened as a compound file at all, but the
    // archive path, which lets others write, can read it; a compound file
    // held so is reported as before.
    if (result == STG_E_FILEALREADYEXISTS || result == STG_E_SHAREVIOLATION || result == STG_E_LOCKVIOLATION)
        return LoadArchivePreviewBitmap(documentPath, result, background);
    if (FAILED(result)) {
        ReportHresultIfDebug(result, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    // Declared first, released last: buffer, stream, storage.
    ScopedCom<IStorage> storage(openedStorage);
    if (storage == nullptr)
        return nullptr;
    if (IsTrueColorWanted()) {
        HBITMAP picture = LoadPngStream(storage.get(), documentPath, background);
        if (picture != nullptr)
            return picture;
    }

    ScopedCom<IStream> stream = OpenRootStream(storage.get(), kPreviewStreamName, &result);
    if (FAILED(result)) {
        ReportHresultIfDebug(result, L"LPSTORAGE::OpenStream", kPreviewStreamName);
        return nullptr;
    }
    if (stream == nullptr)
        return nullptr;

    unsigned char count[kPreviewCountSize] = {};
    ULONG delivered = 0;
    if (FAILED(stream->Read(count, kPreviewCountSize, &delivered)) || delivered != kPreviewCountSize)
        return nullptr;
    const std::uint64_t streamSize = StreamSize(stream.get());
    if (streamSize < kPreviewCountSize)
        return nullptr;
    // A refused picture stays silent here, as every other failure after
    // the stream is open does.
    StreamBlock source = {stream.get(), nullptr};
    return PictureFromPreviewRecord(count, streamSize - kPreviewCountSize, &ReadStreamBlock, &source).bitmap;
}
