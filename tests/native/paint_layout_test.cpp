#include "base/dpi_units.h"
#include "viewer/paint_layout.h"

#include <gtest/gtest.h>

namespace {

constexpr ViewOptions kFit = {false, true, false};
constexpr ViewOptions kFitCentred = {true, true, false};
constexpr ViewOptions kFitLargerCentred = {true, true, true};
constexpr ViewOptions kNatural = {false, false, false};
constexpr ViewOptions kNaturalCentred = {true, false, false};

PaintLayout Fitted(int clientWidth, int clientHeight, int width, int height, ViewOptions options)
{
    return ComputePaintLayout(clientWidth, clientHeight, width, height, options, false, false, 0, 0);
}

void ExpectPlaced(const PaintLayout& layout, int x, int y, int width, int height)
{
    EXPECT_EQ(layout.destX, x);
    EXPECT_EQ(layout.destY, y);
    EXPECT_EQ(layout.drawWidth, width);
    EXPECT_EQ(layout.drawHeight, height);
}

}  // namespace

TEST(ComputePaintLayout, FitScalesWideAndTallPicturesIntoTheClientArea)
{
    ExpectPlaced(Fitted(200, 200, 400, 300, kFit), 0, 0, 200, 150);
    ExpectPlaced(Fitted(200, 200, 400, 300, kFitCentred), 0, 25, 200, 150);
    ExpectPlaced(Fitted(200, 200, 300, 400, kFitCentred), 25, 0, 150, 200);
    EXPECT_TRUE(Fitted(200, 200, 400, 300, kFit).stretched);
}

TEST(ComputePaintLayout, FitLargerOnlyKeepsStrictlySmallerPicturesAtTheirSize)
{
    ExpectPlaced(Fitted(200, 200, 100, 80, kFitLargerCentred), 50, 60, 100, 80);
    ExpectPlaced(Fitted(200, 200, 100, 80, kFitCentred), 0, 20, 200, 160);
    // As wide as the client area: scaled, which here keeps the size.
    ExpectPlaced(Fitted(200, 200, 200, 80, kFitLargerCentred), 0, 60, 200, 80);
    // Equal in both directions: also scaled.
    ExpectPlaced(Fitted(200, 200, 200, 200, kFitLargerCentred), 0, 0, 200, 200);
    ExpectPlaced(Fitted(200, 200, 199, 200, kFitLargerCentred), 0, 0, 199, 200);
    EXPECT_TRUE(Fitted(200, 200, 100, 80, kFitLargerCentred).stretched);
}

TEST(ComputePaintLayout, RoundingAndHalvingFollowMulDivAndTruncation)
{
    ExpectPlaced(Fitted(100, 100, 3, 2, kFitCentred), 0, 16, 100, 67);
    ExpectPlaced(Fitted(100, 100, 1000, 1, kFit), 0, 0, 100, 1);
    ExpectPlaced(Fitted(100, 100, 1, 1000, kFit), 0, 0, 1, 100);
}

TEST(ComputePaintLayout, EmptyClientAreaDrawsZeroByOneAtTheOrigin)
{
    ExpectPlaced(Fitted(0, 0, 50, 50, kFitCentred), 0, 0, 0, 1);
}

TEST(ComputePaintLayout, NegativeDifferencesHalveTowardZero)
{
    // One pixel wider than the client area: no bar, and centring keeps x at 0.
    ExpectPlaced(Fitted(100, 100, 101, 50, kNaturalCentred), 0, 25, 101, 50);
    ExpectPlaced(Fitted(100, 100, 103, 50, kNaturalCentred), -1, 25, 103, 50);
    ExpectPlaced(Fitted(100, 100, 104, 50, kNaturalCentred), -2, 25, 104, 50);
}

TEST(ComputePaintLayout, NaturalSizeCopiesFromTheScrollPositions)
{
    const PaintLayout layout = ComputePaintLayout(100, 100, 300, 200, kNatural, true, true, 40, 70);
    ExpectPlaced(layout, 0, 0, 300, 200);
    EXPECT_EQ(layout.srcX, 40);
    EXPECT_EQ(layout.srcY, 70);
    EXPECT_FALSE(layout.stretched);
}

TEST(ComputePaintLayout, PositionsOfHiddenBarsAreIgnored)
{
    const PaintLayout layout = ComputePaintLayout(100, 100, 300, 50, kNatural, true, false, 40, 70);
    EXPECT_EQ(layout.srcX, 40);
    EXPECT_EQ(layout.srcY, 0);
}

TEST(ComputePaintLayout, CentringSkipsAnAxisWhoseBarIsShown)
{
    const PaintLayout layout = ComputePaintLayout(100, 100, 300, 50, kNaturalCentred, true, false, 40, 0);
    ExpectPlaced(layout, 0, 25, 300, 50);
    EXPECT_EQ(layout.srcX, 40);
}

// In a client narrower than the panel's least width the panel takes it
// all and the picture area is empty, never negative. How panel and area
// share real viewers is measured on the screen (the document information's
// Windows tests).
TEST(PictureArea, LeavesRoomForTheInformationPanelAndTheTabs)
{
    EXPECT_EQ(InfoPanelWidth(150, kBaseDpi), 150) << "never wider than the client";
    EXPECT_EQ(InfoPanelWidth(0, kBaseDpi), 0);
    const PixelSize none = PictureAreaSize(150, 80, 100, InfoPanelWidth(150, kBaseDpi));
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

// What the window files draw in: the panel's width is taken only while the
// panel is shown, and a client no wider than the panel leaves no picture.
TEST(ViewerPictureArea, TakesThePanelOnlyWhileItIsShown)
{
    const PixelSize shown = ViewerPictureArea(1024, 768, 23, true, kBaseDpi);
    EXPECT_EQ(shown.width, 1024 - 341);
    EXPECT_EQ(shown.height, 768 - 23);
    const PixelSize hidden = ViewerPictureArea(1024, 768, 23, false, kBaseDpi);
    EXPECT_EQ(hidden.width, 1024);
    EXPECT_EQ(hidden.height, 768 - 23);
    const PixelSize narrow = ViewerPictureArea(150, 400, 0, true, kBaseDpi);
    EXPECT_EQ(narrow.width, 0);
    EXPECT_EQ(narrow.height, 400);
    const PixelSize none = ViewerPictureArea(0, 0, 0, true, kBaseDpi);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}
