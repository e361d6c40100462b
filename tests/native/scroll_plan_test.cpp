#include "viewer/scroll_plan.h"

#include <gtest/gtest.h>

TEST(PlanScrollBar, PictureOnePixelLargerGetsNoBarTwoPixelsLargerGetsOne)
{
    EXPECT_FALSE(PlanScrollBar(100, 101, false, 0).shown);
    const ScrollBarPlan plan = PlanScrollBar(100, 102, false, 0);
    EXPECT_TRUE(plan.shown);
    EXPECT_EQ(plan.nMin, 0);
    EXPECT_EQ(plan.nMax, 101);
    EXPECT_EQ(plan.nPage, 100);
    EXPECT_EQ(plan.nPos, 0);
}

TEST(PlanScrollBar, FitModeAndSmallPicturesNeverGetABar)
{
    EXPECT_FALSE(PlanScrollBar(100, 1000, true, 0).shown);
    EXPECT_FALSE(PlanScrollBar(100, 100, false, 0).shown);
    EXPECT_FALSE(PlanScrollBar(100, 50, false, 0).shown);
    EXPECT_TRUE(PlanScrollBar(0, 2, false, 0).shown);
}

TEST(PlanScrollBar, KeptPositionIsBroughtDownButNeverRaised)
{
    EXPECT_EQ(PlanScrollBar(100, 300, false, 500).nPos, 200);
    EXPECT_EQ(PlanScrollBar(100, 300, false, 200).nPos, 200);
    EXPECT_EQ(PlanScrollBar(100, 300, false, 50).nPos, 50);
    EXPECT_EQ(PlanScrollBar(100, 102, false, 30).nPos, 2);
}

TEST(NextScrollPosition, LineAndPageStepsMoveFromTheOldPosition)
{
    EXPECT_EQ(NextScrollPosition(0, 0, 100, 299, 0), -30);  // SB_LINEUP at the top
    EXPECT_EQ(NextScrollPosition(1, 40, 100, 299, 0), 70);
    EXPECT_EQ(NextScrollPosition(2, 150, 100, 299, 0), 50);
    EXPECT_EQ(NextScrollPosition(3, 150, 100, 299, 0), 250);
}

TEST(NextScrollPosition, ThumbTopAndBottomGoWhereTheyAreTold)
{
    EXPECT_EQ(NextScrollPosition(4, 10, 100, 299, 123), 123);
    EXPECT_EQ(NextScrollPosition(5, 10, 100, 299, 77), 77);
    EXPECT_EQ(NextScrollPosition(6, 150, 100, 299, 0), 0);
    EXPECT_EQ(NextScrollPosition(7, 150, 100, 299, 0), 299);
}

TEST(NextScrollPosition, EndScrollAndUnknownCodesKeepThePosition)
{
    EXPECT_EQ(NextScrollPosition(8, 150, 100, 299, 5), 150);
    EXPECT_EQ(NextScrollPosition(9, 150, 100, 299, 5), 150);
    EXPECT_EQ(NextScrollPosition(0xFFFF, 150, 100, 299, 5), 150);
}

TEST(NextScrollPosition, ExtremePositionsDoNotOverflow)
{
    EXPECT_EQ(NextScrollPosition(0, -2147483647 - 1, 100, 299, 0), -2147483647 - 1);
    EXPECT_EQ(NextScrollPosition(3, 2147483647, 100, 299, 0), 2147483647);
}
