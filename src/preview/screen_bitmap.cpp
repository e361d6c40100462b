#include "preview/screen_bitmap.h"

#include "base/win32_holders.h"

HBITMAP CreateScreenBitmapFromBits(const BITMAPINFO* info, const void* bits)
{
    ScopedWindowDc screen(nullptr);
    if (screen.Get() == nullptr)
        return nullptr;
    HBITMAP bitmap = CreateDIBitmap(screen.Get(), &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
    screen.Release();
    return bitmap;
}

HBITMAP CreateScreenBitmap(const unsigned char* block, const DibLayout& layout)
{
    return CreateScreenBitmapFromBits(reinterpret_cast<const BITMAPINFO*>(block), block + layout.bitsOffset);
}
