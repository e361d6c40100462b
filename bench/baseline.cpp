#include "baseline.h"

#include <objbase.h>

#include <vector>

namespace {

HBITMAP ReadPicture(const wchar_t* path)
{
    IStorage* storage = nullptr;
    if (FAILED(StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &storage)))
        return nullptr;
    IStream* stream = nullptr;
    std::vector<unsigned char> block;
    if (SUCCEEDED(storage->OpenStream(L"Preview", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        ULONG count = 0;
        ULONG read = 0;
        if (SUCCEEDED(stream->Read(&count, sizeof count, &read)) && read == sizeof count) {
            block.resize(count);
            if (FAILED(stream->Read(block.data(), count, &read)) || read != count)
                block.clear();
        }
        stream->Release();
    }
    storage->Release();
    if (block.size() < sizeof(BITMAPINFOHEADER))
        return nullptr;

    const auto* info = reinterpret_cast<const BITMAPINFO*>(block.data());
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const DWORD tableEntries = header.biClrUsed != 0    ? header.biClrUsed
                               : header.biBitCount <= 8 ? 1u << header.biBitCount
                                                        : 0;
    const DWORD bitsOffset = header.biSize + 4 * tableEntries;
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateDIBitmap(screen, &header, CBM_INIT, block.data() + bitsOffset, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return picture;
}

}  // namespace

HBITMAP BaselineThumbnail(const wchar_t* path, int boxWidth, int boxHeight)
{
    HBITMAP picture = ReadPicture(path);
    if (picture == nullptr)
        return nullptr;
    BITMAP description = {};
    GetObjectW(picture, sizeof description, &description);
    const int width = description.bmWidth;
    const int height = description.bmHeight;
    int thumbnailWidth = boxWidth;
    int thumbnailHeight = MulDiv(boxWidth, height, width);
    if (thumbnailHeight > boxHeight) {
        thumbnailWidth = MulDiv(boxHeight, width, height);
        thumbnailHeight = boxHeight;
    }

    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HDC source = CreateCompatibleDC(screen);
    HBITMAP thumbnail = CreateCompatibleBitmap(screen, thumbnailWidth, thumbnailHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previousSource = SelectObject(source, picture);
    HGDIOBJ previousTarget = SelectObject(target, thumbnail);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, thumbnailWidth, thumbnailHeight, source, 0, 0, width, height, SRCCOPY);
    SelectObject(source, previousSource);
    SelectObject(target, previousTarget);
    DeleteDC(source);
    DeleteDC(target);
    DeleteObject(picture);
    return thumbnail;
}
