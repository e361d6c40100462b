#include "base/fit.h"

#include <gtest/gtest.h>

TEST(MulDivRounded, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDivRounded(100, 3, 200), 2);    // 1.5
    EXPECT_EQ(MulDivRounded(-100, 3, 200), -2);  // -1.5
    EXPECT_EQ(MulDivRounded(100, -3, 200), -2);
    EXPECT_EQ(MulDivRounded(100, 3, -200), -2);
    EXPECT_EQ(MulDivRounded(-100, -3, -200), -2);
    EXPECT_EQ(MulDivRounded(200, 2, 3), 133);  // 133.33 rounds down
    EXPECT_EQ(MulDivRounded(100, 2, 3), 67);   // 66.67 rounds up
    EXPECT_EQ(MulDivRounded(7, 1, 2), 4);
    EXPECT_EQ(MulDivRounded(5, 1, 2), 3);
}

TEST(MulDivRounded, UsesA64BitProduct)
{
    EXPECT_EQ(MulDivRounded(2000000000, 2000000000, 2000000000), 2000000000);
    EXPECT_EQ(MulDivRounded(65536, 65536, 65536), 65536);
}

TEST(MulDivRounded, ZeroDivisorAndOverflowGiveMinusOne)
{
    EXPECT_EQ(MulDivRounded(1, 1, 0), -1);
    EXPECT_EQ(MulDivRounded(2000000000, 2, 1), -1);
    EXPECT_EQ(MulDivRounded(2147483647, 1, 1), 2147483647);
}

TEST(ScaleToFit, WiderPictureTakesTheFullBoxWidth)
{
    const PixelSize size = ScaleToFit(100, 100, 300, 150);
    EXPECT_EQ(size.width, 100);
    EXPECT_EQ(size.height, 50);
}

TEST(ScaleToFit, TallerPictureTakesTheFullBoxHeight)
{
    const PixelSize size = ScaleToFit(200, 200, 300, 400);  // trial height 267 > 200
    EXPECT_EQ(size.width, 150);
    EXPECT_EQ(size.height, 200);
}

TEST(ScaleToFit, ComputedSidesAreRoundedAndRaisedToOne)
{
    PixelSize size = ScaleToFit(100, 100, 200, 3);
    EXPECT_EQ(size.height, 2);  // 1.5 rounds away from zero
    size = ScaleToFit(100, 100, 1000, 1);
    EXPECT_EQ(size.width, 100);
    EXPECT_EQ(size.height, 1);  // 0.1 rounds to 0, raised to 1
    size = ScaleToFit(100, 100, 1, 1000);
    EXPECT_EQ(size.width, 1);
    EXPECT_EQ(size.height, 100);
    size = ScaleToFit(100, 100, 3, 2);
    EXPECT_EQ(size.width, 100);
    EXPECT_EQ(size.height, 67);
}

TEST(ScaleToFit, SidesTakenFromTheBoxAreUsedUnchangedEvenWhenNotPositive)
{
    PixelSize size = ScaleToFit(0, 0, 50, 50);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 1);
    size = ScaleToFit(100, -5, 50, 50);  // trial height 100 > -5
    EXPECT_EQ(size.width, 1);            // -10 raised to 1
    EXPECT_EQ(size.height, -5);
}

TEST(ScaleToFit, EqualProportionsFillTheBoxExactly)
{
    const PixelSize size = ScaleToFit(100, 60, 200, 120);
    EXPECT_EQ(size.width, 100);
    EXPECT_EQ(size.height, 60);
}
