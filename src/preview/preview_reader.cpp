#include "preview/preview_reader.h"

#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "preview/archive_file.h"
#include "preview/compound_document.h"
#include "preview/document_extras.h"
#include "preview/png_header.h"
#include "preview/png_picture.h"
#include "preview/preview_picture.h"
#include "preview/preview_record.h"
#include "preview/sheet_names.h"

#include <objbase.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

namespace {

constexpr DWORD kStreamMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr wchar_t kPreviewStreamName[] = L"Preview";
constexpr wchar_t kPngStreamName[] = L"PreviewPNG";
constexpr wchar_t kSheetStorageName[] = L"SheetPreviews";
constexpr wchar_t kSheetNamesStreamName[] = L"SheetNames";
constexpr wchar_t kSheetPicturesStorageName[] = L"Images";

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

// A storage inside the root storage, read-only and exclusive; null when
// there is none.
ScopedCom<IStorage> OpenInnerStorage(IStorage* storage, const wchar_t* name)
{
    IStorage* opened = nullptr;
    if (FAILED(storage->OpenStorage(name, nullptr, kStreamMode, nullptr, 0, &opened)))
        return nullptr;
    return ScopedCom<IStorage>(opened);
}

// A PNG picture of a stream of the storage, or null: the stream is missing
// (missing set) or its picture refused or undecodable. The signature and
// header are read and checked first, and a size no larger than the
// document itself is asked of the allocator only after them.
HBITMAP LoadPngStream(IStorage* storage, const wchar_t* name, const wchar_t* documentPath, const COLORREF* background,
                      bool* missing)
{
    HRESULT result = S_OK;
    ScopedCom<IStream> stream = OpenRootStream(storage, name, &result);
    *missing = stream == nullptr;
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

// The names of a drawing's sheets from the stream "SheetNames" of the
// storage "SheetPreviews"; a count of 0, silently, when absent or refused.
void ReadSheetNamesStream(IStorage* storage, SheetList& sheets)
{
    sheets.count = 0;
    ScopedCom<IStorage> names = OpenInnerStorage(storage, kSheetStorageName);
    if (names == nullptr)
        return;
    HRESULT result = S_OK;
    ScopedCom<IStream> stream = OpenRootStream(names.get(), kSheetNamesStreamName, &result);
    if (stream == nullptr)
        return;
    const std::uint64_t size = StreamSize(stream.get());
    if (size == 0 || size > kMaxSheetNamesBytes)
        return;
    ScopedMalloc<unsigned char> bytes(static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(size))));
    ULONG delivered = 0;
    if (bytes == nullptr || FAILED(stream->Read(bytes.get(), static_cast<ULONG>(size), &delivered)) ||
        delivered != size)
        return;
    ParseSheetNames(bytes.get(), delivered, sheets);
}

// The picture of the document's "Preview" stream, or with TrueColor=1 its
// "PreviewPNG" first; null when there is none.
HBITMAP LoadStoragePicture(IStorage* storage, const wchar_t* documentPath, const COLORREF* background)
{
    if (IsTrueColorWanted()) {
        bool missing = false;
        HBITMAP picture = LoadPngStream(storage, kPngStreamName, documentPath, background, &missing);
        if (picture != nullptr)
            return picture;
    }

    HRESULT result = S_OK;
    ScopedCom<IStream> stream = OpenRootStream(storage, kPreviewStreamName, &result);
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

// Whether the "Preview" stream passes the viewer's checks, without a box.
bool StorageHasPicture(IStorage* storage)
{
    HRESULT result = S_OK;
    ScopedCom<IStream> stream = OpenRootStream(storage, kPreviewStreamName, &result);
    if (stream == nullptr)
        return false;
    unsigned char count[kPreviewCountSize] = {};
    ULONG delivered = 0;
    if (FAILED(stream->Read(count, kPreviewCountSize, &delivered)) || delivered != kPreviewCountSize)
        return false;
    const std::uint64_t streamSize = StreamSize(stream.get());
    if (streamSize < kPreviewCountSize)
        return false;
    StreamBlock source = {stream.get(), nullptr};
    return PreviewRecordChecksOut(count, streamSize - kPreviewCountSize, &ReadStreamBlock, &source);
}

// Documents of current CAD versions are no compound files: the preview is
// then read from their archive. One that another program holds open
// without sharing it cannot be opened as a compound file at all, but the
// archive path may still read it.
bool IsArchiveResult(HRESULT result)
{
    return result == STG_E_FILEALREADYEXISTS || result == STG_E_SHAREVIOLATION || result == STG_E_LOCKVIOLATION;
}

void ReportSheetPictureFailure(SheetPictureFailure failure, std::uint32_t sheetIndex)
{
    if (failure == SheetPictureFailure::None)
        return;
    char name[kSheetPictureNameCapacity];
    SheetPictureName(sheetIndex, name);
    // The sheet is named in the label: few of the system's texts take it.
    wchar_t label[64];
    swprintf(label, sizeof label / sizeof label[0], L"ReadSheetPicture(%hs)", name);
    wchar_t wideName[kSheetPictureNameCapacity];
    swprintf(wideName, kSheetPictureNameCapacity, L"%hs", name);
    const HRESULT code =
        failure == SheetPictureFailure::Missing ? STG_E_FILENOTFOUND : HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    ReportHresultIfDebug(code, label, wideName);
}

}  // namespace

HBITMAP LoadPreviewBitmap(const wchar_t* documentPath, const COLORREF* background, SheetList* sheets)
{
    if (sheets != nullptr)
        sheets->count = 0;
    if (documentPath == nullptr)
        return nullptr;

    HRESULT result = S_OK;
    // Declared first, released last: buffer, stream, storage.
    ScopedCom<IStorage> storage = OpenCompoundDocument(documentPath, &result);
    // A compound file that cannot be opened for sharing is reported as
    // before, once the archive path has found it is no archive.
    if (IsArchiveResult(result))
        return LoadArchivePreviewBitmap(documentPath, result, background, sheets);
    if (FAILED(result)) {
        ReportHresultIfDebug(result, L"StgOpenStorage", documentPath);
        return nullptr;
    }
    if (storage == nullptr)
        return nullptr;
    HBITMAP picture = LoadStoragePicture(storage.get(), documentPath, background);
    if (picture != nullptr && sheets != nullptr)
        ReadSheetNamesStream(storage.get(), *sheets);
    return picture;
}

HBITMAP LoadSheetBitmap(const wchar_t* documentPath, std::uint32_t sheetIndex, const COLORREF* background)
{
    if (documentPath == nullptr || sheetIndex >= kMaxSheets)
        return nullptr;
    SheetPictureFailure failure = SheetPictureFailure::None;
    HBITMAP picture = nullptr;
    {
        HRESULT result = S_OK;
        ScopedCom<IStorage> storage = OpenCompoundDocument(documentPath, &result);
        if (IsArchiveResult(result)) {
            picture = LoadArchiveSheetBitmap(documentPath, sheetIndex, background, &failure);
        } else {
            ScopedCom<IStorage> images =
                storage != nullptr ? OpenInnerStorage(storage.get(), kSheetPicturesStorageName) : nullptr;
            wchar_t name[kSheetPictureNameCapacity];
            swprintf(name, kSheetPictureNameCapacity, L"Sheet_%u", static_cast<unsigned>(sheetIndex));
            bool missing = true;
            if (images != nullptr)
                picture = LoadPngStream(images.get(), name, documentPath, background, &missing);
            if (picture == nullptr)
                failure = missing ? SheetPictureFailure::Missing : SheetPictureFailure::Undecodable;
        }
    }  // the document is closed before any box is shown
    ReportSheetPictureFailure(failure, sheetIndex);
    return picture;
}

bool ReadDocumentExtras(const wchar_t* documentPath, DocumentExtras& extras)
{
    extras = {};
    if (documentPath == nullptr)
        return false;
    const std::unique_ptr<SheetList> sheets(new (std::nothrow) SheetList);
    if (sheets == nullptr)
        return false;
    sheets->count = 0;
    HRESULT result = S_OK;
    if (const ScopedCom<IStorage> storage = OpenCompoundDocument(documentPath, &result)) {
        extras.hasPreview = StorageHasPicture(storage.get());
        ReadSheetNamesStream(storage.get(), *sheets);
    } else if (!ReadArchiveExtras(documentPath, *sheets, &extras.hasPreview)) {
        return false;
    }
    extras.sheetCount = sheets->count;
    return true;
}
