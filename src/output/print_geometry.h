#pragma once

#include <cstdint>

struct PrintMargins;

// Where the picture goes on the page, in the printer's device units.
struct PrintPlacement {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

// The picture spans the physical page width less the left and right margins,
// from the left and top margins (the origin without margins); its height keeps
// the picture's proportions, computed in double precision and truncated. The
// bottom margin is not used.
PrintPlacement ComputePrintPlacement(std::int32_t physicalPageWidth, std::int32_t pictureWidth,
                                     std::int32_t pictureHeight, const PrintMargins* margins);
