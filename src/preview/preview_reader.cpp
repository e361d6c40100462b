#include "preview/preview_reader.h"

#include "base/little_endian.h"
#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/dib_layout.h"

#include <objbase.h>

#include <cstdlib>

namespace {

// Others may go on reading the document while we do, but not write it.
constexpr DWORD kDocumentMode = STGM_READ | STGM_SHARE_DENY_WRITE | STGM_DIRECT;
constexpr DWORD kStreamMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr wchar_t kPreviewStreamName[] = L"Preview";
constexpr ULONG kByteCountSize = 4;

// malloc'd so that the tests can observe and refuse it at the import table.
using ScopedBlock = ScopedMalloc<unsigned char>;

// Reads the 32-bit byte count that precedes the block; 0 when it cannot be
// read or the stream cannot hold that many bytes after it.
ULONG ReadBlockSize(IStream* stream)
{
    unsigned char count[kByteCountSize] = {};
    ULONG delivered = 0;
    if (FAILED(stream->Read(count, kByteCountSize, &delivered)) || delivered != kByteCountSize)
        return 0;
    const ULONG blockSize = ReadU32(count);

    // A forged count must not make the host's process allocate gigabytes.
    STATSTG status = {};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)))
        return 0;
    if (status.cbSize.QuadPart < kByteCountSize || blockSize > status.cbSize.QuadPart - kByteCountSize)
        return 0;
    return blockSize;
}

HBITMAP CreateScreenBitmap(const unsigned char* block, ULONG blockSize)
{
    const DibLayout layout = LocateDibPixels(block, blockSize);
    if (!layout.valid)
        return nullptr;
    ScopedWindowDc screen(nullptr);
    if (screen.Get() == nullptr)
        return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(block);
    HBITMAP bitmap =
        CreateDIBitmap(screen.Get(), &info->bmiHeader, CBM_INIT, block + layout.bitsOffset, info, DIB_RGB_COLORS);
    screen.Release();
    return bitmap;
}

}  // namespace

HBITMAP LoadPreviewBitmap(const wchar_t* documentPath)
{
    if (documentPath == nullptr)
        return nullptr;

    IStorage* openedStorage = nullptr;
    HRESULT result = StgOpenStorage(documentPath, nullptr, kDocumentMode, nullptr, 0, &openedStorage);
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

    return CreateScreenBitmap(block.get(), blockSize);
}
