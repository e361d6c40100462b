#include "base/fit.h"

#include <cstdlib>
#include <limits>

std::int32_t MulDivRounded(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t magnitude = static_cast<std::uint64_t>(product < 0 ? -product : product);
    const std::uint64_t divisor = static_cast<std::uint64_t>(c < 0 ? -static_cast<std::int64_t>(c) : c);
    const std::uint64_t rounded = (magnitude + divisor / 2) / divisor;
    if (rounded > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return -1;
    const std::int64_t result = static_cast<std::int64_t>(rounded);
    return static_cast<std::int32_t>(negative ? -result : result);
}

PixelSize ScaleToFit(std::int32_t boxWidth, std::int32_t boxHeight, std::int32_t pictureWidth,
                     std::int32_t pictureHeight)
{
    const std::int32_t trialHeight = MulDivRounded(boxWidth, pictureHeight, pictureWidth);
    if (trialHeight > boxHeight) {
        const std::int32_t width = MulDivRounded(boxHeight, pictureWidth, pictureHeight);
        return {width < 1 ? 1 : width, boxHeight};
    }
    return {boxWidth, trialHeight < 1 ? 1 : trialHeight};
}
