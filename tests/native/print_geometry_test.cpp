#include "base/host_contract.h"
#include "output/print_geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Real printers' pages, as their drivers report them.
// 600 dpi A4 (210 x 297 mm) with 4 mm unprintable borders.
constexpr PrinterPage kA4At600 = {600, 600, 4960, 7016, 94, 94, 4772, 6828};
// 300 dpi Letter (8.5 x 11 in) with quarter-inch borders.
constexpr PrinterPage kLetterAt300 = {300, 300, 2550, 3300, 75, 75, 2400, 3150};

void ExpectPlacement(const PrintPlacement& placement, int x, int y, int width, int height)
{
    EXPECT_TRUE(placement.fits);
    EXPECT_EQ(placement.x, x);
    EXPECT_EQ(placement.y, y);
    EXPECT_EQ(placement.width, width);
    EXPECT_EQ(placement.height, height);
}

// Millimetres from the paper's left or top edge of a device coordinate.
double FromPaperEdge(std::int32_t device, std::int32_t offset, std::int32_t dotsPerInch)
{
    return (device + offset) * 25.4 / dotsPerInch;
}

}  // namespace

// A margin of 200 lies 20 mm from the paper's edge whatever the printer's
// resolution and unprintable border.
TEST(PrintPlacement, MarginsAreTenthsOfAMillimetreFromThePapersEdges)
{
    const PrintMargins margins = {200, 150, 100, 300};
    for (const PrinterPage& page : {kA4At600, kLetterAt300}) {
        const PrintPlacement placement = ComputePrintPlacement(page, 400, 300, &margins);
        ASSERT_TRUE(placement.fits) << page.dotsPerInchX;
        EXPECT_NEAR(FromPaperEdge(placement.x, page.printableX, page.dotsPerInchX), 20.0, 0.1) << page.dotsPerInchX;
        EXPECT_NEAR(FromPaperEdge(placement.y, page.printableY, page.dotsPerInchY), 15.0, 0.1) << page.dotsPerInchX;
        // As wide as the paper less 20 and 10 mm, as the picture is wide
        // rather than tall.
        const double paperWidth = page.paperWidth * 25.4 / page.dotsPerInchX;
        EXPECT_NEAR(placement.width * 25.4 / page.dotsPerInchX, paperWidth - 30.0, 0.2) << page.dotsPerInchX;
    }
    // 200 and 150 tenths at 600 dpi: 472 and 354 dots from the edge, less
    // the 94-dot border; the right and bottom margins 236 and 709 dots.
    ExpectPlacement(ComputePrintPlacement(kA4At600, 400, 300, &margins), 378, 260, 4252, 3189);
}

// A picture taller than the page at full width is scaled down to the height
// between the top and bottom margins: nothing of it is cut off.
TEST(PrintPlacement, TallPictureFitsBetweenTheTopAndBottomMargins)
{
    const PrintMargins margins = {200, 200, 200, 200};
    const PrintPlacement placement = ComputePrintPlacement(kA4At600, 300, 900, &margins);
    ExpectPlacement(placement, 378, 378, 2024, 6072);
    const double bottomMargin = (kA4At600.paperHeight - kA4At600.printableY - placement.y - placement.height) * 25.4 /
                                kA4At600.dotsPerInchY;
    EXPECT_NEAR(bottomMargin, 20.0, 0.1);
    // A small picture is scaled up to the width just the same.
    ExpectPlacement(ComputePrintPlacement(kA4At600, 40, 30, &margins), 378, 378, 4016, 3012);
}

// No margins: the printable area as the printer reports it. Margins inside
// the unprintable border are held to that area: the device cannot print
// there.
TEST(PrintPlacement, WithoutMarginsOrWithinTheBorderThePrintableAreaIsUsed)
{
    ExpectPlacement(ComputePrintPlacement(kA4At600, 400, 300, nullptr), 0, 0, 4772, 3579);
    const PrintMargins narrow = {10, 10, 10, 10};  // 1 mm, inside the 4 mm border
    ExpectPlacement(ComputePrintPlacement(kA4At600, 400, 300, &narrow), 0, 0, 4772, 3579);
    const PrintMargins negative = {-500, -500, 0, 0};
    ExpectPlacement(ComputePrintPlacement(kA4At600, 400, 300, &negative), 0, 0, 4772, 3579);
}

TEST(PrintPlacement, MarginsThatLeaveNoRoomOrNoPictureFitNothing)
{
    const PrintMargins across = {1050, 0, 1050, 0};  // 105 + 105 mm of a 210 mm sheet
    EXPECT_FALSE(ComputePrintPlacement(kA4At600, 400, 300, &across).fits);
    const PrintMargins down = {0, 2000, 0, 1000};
    EXPECT_FALSE(ComputePrintPlacement(kA4At600, 400, 300, &down).fits);
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const PrintMargins absurd = {kMax, kMax, kMax, kMax};
    EXPECT_FALSE(ComputePrintPlacement(kA4At600, 400, 300, &absurd).fits);
    EXPECT_FALSE(ComputePrintPlacement(kA4At600, 0, 300, nullptr).fits);
    const PrinterPage broken = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(ComputePrintPlacement(broken, 400, 300, &across).fits);
    EXPECT_FALSE(ComputePrintPlacement(broken, 400, 300, nullptr).fits);
}
