#include "output/print_geometry.h"

#include "base/fit.h"
#include "base/host_contract.h"

#include <algorithm>

namespace {

// Tenths of a millimetre to the inch: the margins' unit.
constexpr std::int64_t kMarginUnitsPerInch = 254;

// A margin in device units from the paper's edge, rounded to the nearest;
// negative margins count as none.
std::int64_t MarginInDots(std::int32_t tenthsOfMillimetre, std::int32_t dotsPerInch)
{
    const std::int64_t margin = std::max<std::int32_t>(tenthsOfMillimetre, 0);
    return (margin * std::max<std::int32_t>(dotsPerInch, 0) + kMarginUnitsPerInch / 2) / kMarginUnitsPerInch;
}

// One axis of the area inside the margins, in device coordinates, clipped to
// the printable range [0, printable): what lies outside it the device cannot
// print.
struct Span {
    std::int64_t start;
    std::int64_t end;
};

Span SpanInsideMargins(std::int32_t paper, std::int32_t offset, std::int32_t printable, std::int64_t before,
                       std::int64_t after)
{
    const std::int64_t start = std::max<std::int64_t>(before - offset, 0);
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{paper} - after - offset, printable);
    return {start, end};
}

}  // namespace

PrintPlacement ComputePrintPlacement(const PrinterPage& page, std::int32_t pictureWidth, std::int32_t pictureHeight,
                                     const PrintMargins* margins)
{
    PrintPlacement none = {false, 0, 0, 0, 0};
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return none;
    Span across = {0, page.printableWidth};
    Span down = {0, page.printableHeight};
    if (margins != nullptr) {
        across = SpanInsideMargins(page.paperWidth, page.printableX, page.printableWidth,
                                   MarginInDots(margins->left, page.dotsPerInchX),
                                   MarginInDots(margins->right, page.dotsPerInchX));
        down = SpanInsideMargins(page.paperHeight, page.printableY, page.printableHeight,
                                 MarginInDots(margins->top, page.dotsPerInchY),
                                 MarginInDots(margins->bottom, page.dotsPerInchY));
    }
    const std::int64_t areaWidth = across.end - across.start;
    const std::int64_t areaHeight = down.end - down.start;
    if (areaWidth <= 0 || areaHeight <= 0)
        return none;
    // Both lie within the printable size, a 32-bit value.
    const PixelSize size = ScaleToFit(static_cast<std::int32_t>(areaWidth), static_cast<std::int32_t>(areaHeight),
                                      pictureWidth, pictureHeight);
    if (size.width <= 0 || size.height <= 0 || size.width > areaWidth || size.height > areaHeight)
        return none;
    return {true, static_cast<std::int32_t>(across.start), static_cast<std::int32_t>(down.start), size.width,
            size.height};
}
