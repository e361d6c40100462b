#include "thumbnail_batch.h"

#include "png_file.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

// Why the plugin gave no picture, as far as the program can tell from outside.
const char* WhyNoThumbnail(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "cannot be found or opened";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "is a folder";
    return "holds no readable preview picture";
}

bool EnsureFolder(const std::wstring& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    return false;
}

}  // namespace

int WriteThumbnails(const PluginLibrary& plugin, const QuickviewOptions& options)
{
    if (!EnsureFolder(options.output)) {
        std::fprintf(stderr, "cannot make the folder %ls (error %lu)\n", options.output.c_str(), GetLastError());
        return 1;
    }
    const std::size_t total = options.files.size();
    const bool longRun = total >= 100;
    std::set<std::wstring> usedNames;
    std::size_t written = 0;
    DWORD lastProgress = GetTickCount();
    for (std::size_t index = 0; index < total; ++index) {
        const std::wstring& path = options.files[index];
        if (longRun && GetTickCount() - lastProgress >= 1000) {
            std::fprintf(stderr, "... %zu of %zu\n", index, total);
            lastProgress = GetTickCount();
        }
        HBITMAP thumbnail = plugin.previewBitmapW(path.c_str(), options.boxWidth, options.boxHeight, nullptr, 0);
        if (thumbnail == nullptr) {
            std::printf("failed  %ls: %s\n", path.c_str(), WhyNoThumbnail(path));
            continue;
        }
        BITMAP description = {};
        GetObjectW(thumbnail, sizeof description, &description);
        // Joined with the separator the user wrote the folder with.
        const wchar_t* separator = options.output.find(L'/') != std::wstring::npos ? L"/" : L"\\";
        const std::wstring output = options.output + separator + ThumbnailFileName(path, &usedNames);
        const HRESULT result = WritePng(thumbnail, output.c_str());
        DeleteObject(thumbnail);
        if (FAILED(result)) {
            std::printf("failed  %ls: cannot write %ls (0x%08lX)\n", path.c_str(), output.c_str(),
                        static_cast<unsigned long>(result));
            continue;
        }
        ++written;
        std::printf("written %ls (%ldx%ld) from %ls\n", output.c_str(), description.bmWidth, description.bmHeight,
                    path.c_str());
    }
    std::printf("%zu of %zu thumbnails written, %zu failed\n", written, total, total - written);
    return written == total ? 0 : 1;
}
