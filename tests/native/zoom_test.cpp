#include "viewer/zoom.h"

#include <gtest/gtest.h>

TEST(ZoomLadder, RunsFromASixteenthToSixteenThroughOneInStepsOfAboutAQuarter)
{
    EXPECT_DOUBLE_EQ(kZoomLadder[0], 1.0 / 16);
    EXPECT_DOUBLE_EQ(kZoomLadder[kZoomStepCount - 1], 16.0);
    EXPECT_DOUBLE_EQ(kZoomLadder[kNaturalZoomStep], 1.0);
    for (std::int32_t step = 1; step < kZoomStepCount; ++step) {
        const double ratio = kZoomLadder[step] / kZoomLadder[step - 1];
        EXPECT_GE(ratio, 1.24) << step;
        EXPECT_LE(ratio, 1.29) << step;
    }
    // From a scale between steps the first step goes to the next one that
    // way; from a step, to its neighbour; past either end, nowhere.
    EXPECT_EQ(NextZoomStep(0.6, 1), 10);  // 0.64
    EXPECT_EQ(NextZoomStep(0.6, -1), 9);  // 0.5
    EXPECT_EQ(NextZoomStep(1.0, 1), kNaturalZoomStep + 1);
    EXPECT_EQ(NextZoomStep(1.0, -1), kNaturalZoomStep - 1);
    // A fitted scale a hair off a step counts as that step.
    EXPECT_EQ(NextZoomStep(0.64 * (1 - 1e-9), 1), 11);
    EXPECT_EQ(NextZoomStep(16.0, 1), kNoZoom);
    EXPECT_EQ(NextZoomStep(40.0, 1), kNoZoom) << "a tiny picture fitted past the ladder";
    EXPECT_EQ(NextZoomStep(40.0, -1), kZoomStepCount - 1);
    EXPECT_EQ(NextZoomStep(1.0 / 16, -1), kNoZoom);
}

TEST(ZoomGeometry, AnchorsWheelsAndTheVisiblePart)
{
    // The point under x = 150, drawn from origin -50 at 1: picture 200; at
    // 1.25 it is 250 shown pixels in, so the view starts at 100.
    EXPECT_EQ(AnchoredPosition(-50, 150, 1.0, 1.25), 100);
    EXPECT_EQ(AnchoredPosition(-100, 150, 1.25, 1.0), 50);
    EXPECT_EQ(ZoomedSize(600, 500, 1.25).width, 750);
    EXPECT_EQ(ZoomedSize(3, 3, 0.0625).height, 1) << "never below one pixel";

    std::int32_t remainder = 0;
    EXPECT_EQ(TakeWheelNotches(&remainder, 60), 0);
    EXPECT_EQ(TakeWheelNotches(&remainder, 60), 1);
    EXPECT_EQ(remainder, 0);
    EXPECT_EQ(TakeWheelNotches(&remainder, -30), 0);
    EXPECT_EQ(TakeWheelNotches(&remainder, -250), -2);
    EXPECT_EQ(remainder, -40);
    EXPECT_EQ(TakeWheelNotches(&remainder, 40), 0) << "a turn back cancels what was gathered";

    // 16 times, scrolled 1000 shown pixels in, a 400-pixel view: only the
    // 26 source columns that cover it are drawn, whatever the picture's size.
    const VisibleSpan span = ComputeVisibleSpan(-1000, 8000 * 16, 8000, 400);
    EXPECT_EQ(span.source, 62);
    EXPECT_EQ(span.sourceLength, 26);
    EXPECT_EQ(span.dest, -8);
    EXPECT_EQ(span.destLength, 26 * 16);
    // Reduced to a quarter and centred: all of it.
    const VisibleSpan whole = ComputeVisibleSpan(50, 100, 400, 400);
    EXPECT_EQ(whole.source, 0);
    EXPECT_EQ(whole.sourceLength, 400);
    EXPECT_EQ(whole.dest, 50);
    EXPECT_EQ(whole.destLength, 100);
    EXPECT_EQ(ComputeVisibleSpan(500, 100, 100, 400).sourceLength, 0) << "beyond the view";
}
