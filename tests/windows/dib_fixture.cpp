#include "dib_fixture.h"

#include <gtest/gtest.h>

std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int* width, int* height)
{
    BITMAP description = {};
    if (GetObjectW(bitmap, sizeof description, &description) == 0)
        return {};
    *width = description.bmWidth;
    *height = description.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = description.bmWidth;
    info.bmiHeader.biHeight = -description.bmHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(description.bmWidth) * description.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, description.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : pixels)
        pixel &= 0x00FFFFFF;
    return pixels;
}

void ExpectPixelsEqual(HBITMAP bitmap, const IndexedPicture& picture)
{
    ASSERT_NE(bitmap, nullptr);
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = ReadPixels(bitmap, &width, &height);
    ASSERT_EQ(width, picture.width);
    ASSERT_EQ(height, picture.height);
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pixels[static_cast<size_t>(y) * width + x] != picture.ColourAt(x, y) && mismatches++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(mismatches, 0);
}
