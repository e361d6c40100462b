#include "output/thumbnail.h"

#include "base/fit.h"
#include "base/win32_holders.h"
#include "preview/preview_reader.h"

HBITMAP MakeThumbnail(const wchar_t* documentPath, int boxWidth, int boxHeight)
{
    ScopedBitmap picture(LoadPreviewBitmap(documentPath, nullptr));
    if (picture == nullptr)
        return nullptr;

    BITMAP description = {};
    if (GetObjectW(picture.get(), sizeof description, &description) == 0)
        return picture.release();
    const int width = description.bmWidth;
    const int height = description.bmHeight;
    if (width < boxWidth && height < boxHeight)
        return picture.release();
    if (width <= 0 || height <= 0)
        return picture.release();

    const PixelSize size = ScaleToFit(boxWidth, boxHeight, width, height);

    HWND desktop = GetDesktopWindow();
    ScopedWindowDc screen(desktop);
    if (screen.Get() == nullptr)
        return picture.release();
    ScopedCreatedDc target(CreateCompatibleDC(screen.Get()));
    ScopedCreatedDc source(CreateCompatibleDC(screen.Get()));
    HBITMAP thumbnail = CreateCompatibleBitmap(screen.Get(), size.width, size.height);
    screen.Release();

    {
        ScopedSelection sourceSelection(source.get(), picture.get());
        ScopedSelection targetSelection(target.get(), thumbnail);
        SetStretchBltMode(target.get(), HALFTONE);
        SetBrushOrgEx(target.get(), 0, 0, nullptr);
        StretchBlt(target.get(), 0, 0, size.width, size.height, source.get(), 0, 0, width, height, SRCCOPY);
    }
    // Source first, then target.
    source.reset();
    target.reset();
    return thumbnail;
}
