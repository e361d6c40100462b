#include "plugin/module_state.h"
#include "plugin/wide_path.h"
#include "plugin/win32_holders.h"
#include "preview/preview_reader.h"
#include "viewer/fit.h"

#include <windows.h>

// The picture of a document scaled into the host's box with its proportions
// kept; a picture smaller than the box in both directions keeps its size.
extern "C" HBITMAP __stdcall ListGetPreviewBitmapW(const wchar_t* documentPath, int boxWidth, int boxHeight,
                                                   char* /*contentBuffer*/, int /*contentLength*/)
{
    ScopedBitmap picture(LoadPreviewBitmap(documentPath));
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

extern "C" HBITMAP __stdcall ListGetPreviewBitmap(const char* documentPath, int boxWidth, int boxHeight,
                                                  char* contentBuffer, int contentLength)
{
    wchar_t widePath[kWidePathCapacity];
    return ListGetPreviewBitmapW(ToWidePath(widePath, documentPath), boxWidth, boxHeight, contentBuffer, contentLength);
}
