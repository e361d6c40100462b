#pragma once

// Lengths in 96-DPI units (the platform's 100 %), scaled to a DPI as the
// platform scales its own: rounded to the nearest pixel, halves away from
// zero. Platform-free.

#include "base/fit.h"

#include <cstdint>

inline constexpr std::int32_t kBaseDpi = 96;

inline std::int32_t ScaleToDpi(std::int32_t length, std::int32_t dpi)
{
    return MulDivRounded(length, dpi, kBaseDpi);
}
