#pragma once

// A drawing of three sheets, "Sheet1", "Detail A" and "Parts list", saved
// with the second one active, in either container: its "Preview" shows the
// active sheet, and each sheet has a PNG whose colours tell the sheet and
// the pixel.

#include "dib_blocks.h"
#include "drawing_document.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum class Container { Compound, Archive };

inline constexpr std::uint32_t kSheetCount = 3;
inline constexpr std::uint32_t kActiveSheet = 1;
inline const wchar_t* const kSheetNames[kSheetCount] = {L"Sheet1", L"Detail A", L"Parts list"};

// Sheet 0 fits the host window; sheet 2 is taller than it.
SIZE SheetPictureSize(std::uint32_t sheet);

// 0xAARRGGBB: opaque, but for the last column, which is transparent.
std::uint32_t SheetPixel(std::uint32_t sheet, int x, int y);

// What the viewer shows of that pixel over a background of 0x00RRGGBB.
std::uint32_t SheetPixelOver(std::uint32_t sheet, int x, int y, std::uint32_t background);

std::vector<unsigned char> SheetPng(std::uint32_t sheet);

// The three-sheet drawing whose "Preview" (the active sheet) is preview.
DrawingContent ThreeSheetDrawing(const IndexedPicture& preview);

void WriteDrawing(const std::wstring& path, Container container, const DrawingContent& content);

// Sends the key's message with another key held, as the thread's keyboard
// state says.
void SendKeyHolding(HWND window, WPARAM held, UINT message, WPARAM key);
inline void SendKeyWithCtrl(HWND window, WPARAM key)
{
    SendKeyHolding(window, VK_CONTROL, WM_KEYDOWN, key);
}
