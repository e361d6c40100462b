#include "output/print_geometry.h"

#include "base/host_contract.h"

#include <cmath>
#include <limits>

namespace {

// Two's-complement wrap-around, as 32-bit device arithmetic gives it, without
// the undefined behaviour of signed overflow.
std::int32_t WrappingDifference(std::int32_t minuend, std::int32_t subtrahend)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(minuend) - static_cast<std::uint32_t>(subtrahend));
}

// Truncation toward zero; values no 32-bit integer can hold saturate, so that
// absurd margins or proportions cannot make the conversion undefined.
std::int32_t TruncateToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace

PrintPlacement ComputePrintPlacement(std::int32_t physicalPageWidth, std::int32_t pictureWidth,
                                     std::int32_t pictureHeight, const PrintMargins* margins)
{
    const double aspect = static_cast<double>(pictureWidth) / static_cast<double>(pictureHeight);
    const std::int32_t left = margins != nullptr ? margins->left : 0;
    const std::int32_t right = margins != nullptr ? margins->right : 0;
    const std::int32_t top = margins != nullptr ? margins->top : 0;

    PrintPlacement placement = {};
    placement.x = left;
    placement.y = top;
    placement.width = WrappingDifference(WrappingDifference(physicalPageWidth, right), left);
    placement.height = TruncateToInt32(static_cast<double>(placement.width) / aspect);
    return placement;
}
