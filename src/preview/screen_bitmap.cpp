#include "preview/screen_bitmap.h"

#include "base/win32_holders.h"

HBITMAP CreateScreenBitmap(const unsigned char* block, const DibLayout& layout)
{
    ScopedWindowDc screen(nullptr);
    if (screen.Get() == nullptr)
        return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(block);
    HBITMAP bitmap =
        CreateDIBitmap(screen.Get(), &info->bmiHeader, CBM_INIT, block + layout.bitsOffset, info, DIB_RGB_COLORS);
    screen.Release();
    return bitmap;
}
