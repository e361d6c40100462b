#pragma once

// Checks of the pictures that the plugin makes from the fixtures' blocks.

#include "dib_blocks.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// Checks that a bitmap has the picture's size and exactly its colours.
void ExpectPixelsEqual(HBITMAP bitmap, const IndexedPicture& picture);

// Reads a screen bitmap back as 0x00RRGGBB pixels, top row first.
std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int* width, int* height);
