#pragma once

#include <cstdint>

struct PrintMargins;

// What the printer says of its page, in its device units (GetDeviceCaps).
struct PrinterPage {
    std::int32_t dotsPerInchX;  // LOGPIXELSX, LOGPIXELSY
    std::int32_t dotsPerInchY;
    std::int32_t paperWidth;  // PHYSICALWIDTH, PHYSICALHEIGHT: the whole sheet
    std::int32_t paperHeight;
    std::int32_t printableX;  // PHYSICALOFFSETX, PHYSICALOFFSETY: where the
    std::int32_t printableY;  // device's origin lies on the sheet
    std::int32_t printableWidth;  // HORZRES, VERTRES
    std::int32_t printableHeight;
};

// Where the picture goes on the page, in device units from the device's
// origin; fits is false when the margins leave no room for it.
struct PrintPlacement {
    bool fits;
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

// The margins are tenths of a millimetre from the paper's edges (null: the
// printable area as the printer reports it). The picture is scaled, its
// proportions kept, to the largest size inside all four margins and within
// the printable area, and placed at that area's top-left corner.
PrintPlacement ComputePrintPlacement(const PrinterPage& page, std::int32_t pictureWidth, std::int32_t pictureHeight,
                                     const PrintMargins* margins);
