#pragma once

// PNG files written by the platform's own encoder, for the true-colour
// pictures that documents carry beside their DIB preview.

#include <cstdint>
#include <vector>

// An 8-bit RGBA PNG of width x height pixels, given as 0xAARRGGBB (straight
// alpha), top row first. Empty when the encoder fails.
std::vector<unsigned char> EncodeRgbaPng(int width, int height, const std::vector<std::uint32_t>& pixels);
