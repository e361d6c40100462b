#pragma once

#include <cstdint>

struct PixelSize {
    std::int32_t width;
    std::int32_t height;
};

// a * b / c with a 64-bit product, rounded to the nearest integer with halves
// away from zero. As the platform's MulDiv: -1 when c is 0 or the result does
// not fit in 32 bits.
std::int32_t MulDivRounded(std::int32_t a, std::int32_t b, std::int32_t c);

// The size of a pictureWidth x pictureHeight picture scaled into a box with its
// proportions kept. The full box width is tried first; a computed side below 1
// becomes 1, a side taken from the box is used as it is.
PixelSize ScaleToFit(std::int32_t boxWidth, std::int32_t boxHeight, std::int32_t pictureWidth,
                     std::int32_t pictureHeight);
