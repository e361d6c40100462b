#include "viewer/zoom.h"

#include "floating_point_traps.h"
#include "viewer/paint_layout.h"

#include <gtest/gtest.h>

#include <string>

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
    // From a fitted size between steps the first step goes to the next one
    // that way; from natural size, to its neighbour; past either end,
    // nowhere.
    EXPECT_EQ(FirstZoomStep(360, 600, 1), 10);  // 0.6: on to 0.64
    EXPECT_EQ(FirstZoomStep(360, 600, -1), 9);  // back to 0.5
    EXPECT_EQ(FirstZoomStep(1005, 1005, 1), kNaturalZoomStep + 1);
    EXPECT_EQ(FirstZoomStep(1005, 1005, -1), kNaturalZoomStep - 1);
    // 640 fitted to 410 pixels shows 0.640625: 0.64 would draw 409.6, which
    // only rounding tells from what is shown, so it counts as shown.
    EXPECT_EQ(FirstZoomStep(410, 640, 1), 11);
    EXPECT_EQ(FirstZoomStep(410, 640, -1), 9);
    EXPECT_EQ(FirstZoomStep(16 * 1420, 1420, 1), kNoZoom);
    EXPECT_EQ(FirstZoomStep(40, 1, 1), kNoZoom) << "a tiny picture fitted past the ladder";
    EXPECT_EQ(FirstZoomStep(40, 1, -1), kZoomStepCount - 1);
    EXPECT_EQ(FirstZoomStep(64, 1024, -1), kNoZoom);
}

// Each key press or wheel notch is one step; the next one starts from the
// step shown, so no width can make a step land where it started.
TEST(ZoomLadder, EveryWidthReachesBothEndsOneStepAtATime)
{
    for (std::int32_t width = 1; width <= 16384; ++width) {
        for (const std::int32_t drawn : {width, static_cast<std::int32_t>(width * 0.6 + 0.5)}) {
            for (const int direction : {1, -1}) {
                std::int32_t step = kNoZoom;
                int presses = 0;
                for (; presses < kZoomStepCount; ++presses) {
                    const std::int32_t shown = step == kNoZoom ? drawn : ZoomedSize(width, 1, kZoomLadder[step]).width;
                    const std::int32_t next = ZoomStepAfter(step, shown, width, direction);
                    if (next == step)
                        break;
                    step = next;
                }
                const std::int32_t end = direction > 0 ? kZoomStepCount - 1 : 0;
                ASSERT_EQ(step, end) << "width " << width << " drawn " << drawn << " direction " << direction
                                     << " stopped after " << presses << " presses";
            }
        }
    }
    // Several notches at once go as far as that many single ones.
    EXPECT_EQ(ZoomStepAfter(kNoZoom, 410, 640, 3), 13);
    EXPECT_EQ(ZoomStepAfter(kNoZoom, 410, 640, -3), 7);
    EXPECT_EQ(ZoomStepAfter(2, 410, 640, -5), 0);
    EXPECT_EQ(ZoomStepAfter(kZoomStepCount - 1, 0, 640, 1), kZoomStepCount - 1);
    EXPECT_EQ(ZoomStepAfter(5, 0, 640, 0), 5);
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

// A viewer of no pixels (minimised, collapsed, or all of it taken by the
// information panel) fits the picture into none: on that axis its drawn
// scale is 0 and no picture point is under the anchor of a zoom step or of
// new options. The step keeps the picture's first pixel at the anchor
// instead of dividing by 0, which in a strict host is a hardware exception.
TEST(ZoomGeometry, AViewOfNoPixelsHasNothingToAnchor)
{
    const FloatingPointTraps traps;
    for (const std::int32_t width : {640, 1005, 1024, 1420}) {
        const std::int32_t height = width * 3 / 4;
        for (const PixelSize area : {PixelSize{0, 0}, PixelSize{0, 400}, PixelSize{400, 0}}) {
            const PaintLayout fitted =
                ComputePaintLayout(area.width, area.height, width, height, {true, true, false}, false, false, 0, 0);
            const bool noWidth = area.width == 0;
            const std::int32_t drawn = noWidth ? fitted.drawWidth : fitted.drawHeight;
            const std::int32_t origin = noWidth ? fitted.destX : fitted.destY;
            const double scale = DrawnScale(drawn, noWidth ? width : height);
            const std::string what =
                std::to_string(width) + " into " + std::to_string(area.width) + " x " + std::to_string(area.height);
            EXPECT_EQ(scale, 0.0) << what << ": drawn " << drawn;
            EXPECT_EQ(PicturePointAt(origin, 0, scale), 0.0) << what;
            for (const double newScale : {kZoomLadder[0], 1.0, kZoomLadder[kZoomStepCount - 1]})
                EXPECT_EQ(AnchoredPosition(origin, 0, scale, newScale), 0) << what << ", to " << newScale;
        }
    }
    // New options keep the centre's point at the centre: from no pixels,
    // the first pixel.
    EXPECT_EQ(PositionShowing(PicturePointAt(0, 200, 0.0), 150, 1.25), -150);
    EXPECT_EQ(DrawnScale(5, 0), 0.0) << "no picture";
    EXPECT_EQ(DrawnScale(-1, 640), 0.0);
    EXPECT_DOUBLE_EQ(DrawnScale(800, 640), 1.25);
}
