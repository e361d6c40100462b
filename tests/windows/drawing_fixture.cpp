#include "drawing_fixture.h"

#include "archive_document.h"
#include "png_file.h"
#include "sheet_names_record.h"

SIZE SheetPictureSize(std::uint32_t sheet)
{
    static const SIZE sizes[kSheetCount] = {{200, 150}, {180, 140}, {260, 400}};
    return sizes[sheet];
}

std::uint32_t SheetPixel(std::uint32_t sheet, int x, int y)
{
    const std::uint32_t alpha = x == SheetPictureSize(sheet).cx - 1 ? 0 : 0xFF;
    return alpha << 24 | (0x40 * sheet + 0x20) << 16 | (x * 2 & 0xFF) << 8 | (y * 3 & 0xFF);
}

std::uint32_t SheetPixelOver(std::uint32_t sheet, int x, int y, std::uint32_t background)
{
    const std::uint32_t pixel = SheetPixel(sheet, x, y);
    return (pixel >> 24) == 0xFF ? pixel & 0xFFFFFF : background;
}

std::vector<unsigned char> SheetPng(std::uint32_t sheet)
{
    const SIZE size = SheetPictureSize(sheet);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            pixels.push_back(SheetPixel(sheet, x, y));
    return EncodeRgbaPng(size.cx, size.cy, pixels);
}

DrawingContent ThreeSheetDrawing(const IndexedPicture& preview)
{
    DrawingContent content;
    content.previewBlock = Rle8Block(preview);
    content.sheetNames = SheetNamesRecord({u"Sheet1", u"Detail A", u"Parts list"}, kActiveSheet);
    for (std::uint32_t sheet = 0; sheet < kSheetCount; ++sheet)
        content.sheetPictures.push_back(SheetPng(sheet));
    return content;
}

void WriteDrawing(const std::wstring& path, Container container, const DrawingContent& content)
{
    if (container == Container::Compound)
        WriteCompoundDrawing(path, content);
    else
        WriteArchiveFile(path, ArchiveDrawing(content));
}

void SendKeyHolding(HWND window, WPARAM held, UINT message, WPARAM key)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[held] |= 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, message, key, 0);
    keys[held] &= 0x7F;
    SetKeyboardState(keys);
}
