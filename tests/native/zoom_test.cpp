#include "viewer/zoom.h"

#include "floating_point_traps.h"
#include "viewer/paint_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// What a user sees of each key press or wheel notch, at natural size and
// fitted: the picture drawn at least a pixel larger (or smaller), never
// back and never more than about a quarter at once (no scale skipped),
// until it is drawn at 16 times (or a sixteenth of) its width, where the
// presses stop. Only a picture so narrow that the finest step of the
// ladder is less than a pixel may stay as wide for a press, and none is
// drawn narrower than a pixel.
TEST(ZoomLadder, EveryPressRedrawsThePictureUntilAnEndOfTheLadder)
{
    double finestStep = kZoomLadder[1] - kZoomLadder[0];
    for (std::int32_t step = 1; step + 1 < kZoomStepCount; ++step)
        finestStep = std::min(finestStep, kZoomLadder[step + 1] - kZoomLadder[step]);
    for (std::int32_t width = 1; width <= 16384; ++width) {
        const bool everyStepAPixel = width * finestStep >= 1;
        for (const std::int32_t drawn : {width, static_cast<std::int32_t>(width * 0.6 + 0.5)}) {
            for (const int direction : {1, -1}) {
                std::int32_t step = kNoZoom;
                std::int32_t shown = drawn;
                int presses = 0;
                for (; presses <= kZoomStepCount; ++presses) {
                    const std::int32_t next = ZoomStepAfter(step, shown, width, direction);
                    if (next == step)
                        break;
                    ASSERT_TRUE(next >= 0 && next < kZoomStepCount) << next;
                    const std::int32_t redrawn = ZoomedSize(width, 1, kZoomLadder[next]).width;
                    const std::int32_t change = direction > 0 ? redrawn - shown : shown - redrawn;
                    // Out from a single pixel there is nothing smaller.
                    const bool canShrink = direction > 0 || shown > 1;
                    const int least = (step == kNoZoom || everyStepAPixel) && canShrink ? 1 : 0;
                    ASSERT_GE(change, least) << "width " << width << " drawn " << drawn << " direction " << direction
                                             << ": press " << presses + 1 << " draws " << shown << " as " << redrawn;
                    // A ladder step is at most 1.29 times the one before,
                    // and both sizes are rounded.
                    ASSERT_LE(std::max(shown, redrawn), std::min(shown, redrawn) * 1.3 + 1.5)
                        << "width " << width << " drawn " << drawn << " direction " << direction << ": press "
                        << presses + 1 << " draws " << shown << " as " << redrawn;
                    step = next;
                    shown = redrawn;
                }
                const std::int32_t end = ZoomedSize(width, 1, direction > 0 ? 16.0 : 1.0 / 16).width;
                ASSERT_EQ(shown, end) << "width " << width << " drawn " << drawn << " direction " << direction
                                      << " stopped after " << presses << " presses";
                ASSERT_LE(presses, kZoomStepCount);
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
