#include "archive_document.h"

#include <windows.h>

#include <stdexcept>

void WriteArchiveFile(const std::wstring& path, const ArchiveImage& image)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create the archive document");
    bool written = true;
    for (const ArchivePiece& piece : image.pieces) {
        DWORD done = 0;
        if (!piece.bytes.empty())
            written = written &&
                      WriteFile(file, piece.bytes.data(), static_cast<DWORD>(piece.bytes.size()), &done, nullptr) &&
                      done == piece.bytes.size();
        LARGE_INTEGER skip = {};
        skip.QuadPart = static_cast<LONGLONG>(piece.zeros);
        written = written && SetFilePointerEx(file, skip, nullptr, FILE_CURRENT);
    }
    written = written && SetEndOfFile(file);
    CloseHandle(file);
    if (!written)
        throw std::runtime_error("cannot write the archive document");
}

ArchiveImage ArchiveDocument(const std::vector<unsigned char>& block, std::uint64_t hugeRecordBytes,
                             const RecordDamage& damage, const std::vector<unsigned char>& png)
{
    std::vector<unsigned char> header(300);
    for (std::size_t i = 0; i < header.size(); ++i)
        header[i] = static_cast<unsigned char>(i * 7);
    ArchiveBuilder builder;
    builder.AddRecord("Header2", header);
    builder.AddDecoyRecord("Preview", 900, 5000, 1);
    if (hugeRecordBytes != 0)
        builder.AddZeroRecord("Contents/Config-0", hugeRecordBytes);
    else
        builder.AddRecord("Contents/Config-0", std::vector<unsigned char>(20000, 0x33));
    builder.AddRecord("Preview", PreviewContent(block), true, damage);
    builder.AddDecoyRecord("Preview", 700, static_cast<std::uint32_t>(block.size() + 4), 2);
    builder.AddRecord("PreviewPNG", !png.empty() ? png : std::vector<unsigned char>(4000, 0x89));
    builder.AddRecord("docProps/core.xml", std::vector<unsigned char>(500, '<'));
    FinishOptions options;
    options.endRecordDecoysAfter = 3;
    options.endRecordDecoysInside = 2;
    options.directorySpare = 64;
    return builder.Finish(options);
}
