#pragma once

// Zooming the viewer's picture, without the platform: the ladder of scales,
// the step from the scale shown, the position that keeps a picture point
// under the cursor, wheel deltas gathered into steps, and the part of a
// scaled picture that a view actually shows.

#include "base/fit.h"

#include <cstdint>

// The scales a user steps through, 1/16 to 16 with 1 among them, each about
// 1.25 times the one before, at values that read well as percentages.
inline constexpr double kZoomLadder[] = {0.0625, 0.08, 0.1, 0.125, 0.16, 0.2, 0.25, 0.32, 0.4, 0.5,  0.64, 0.8, 1.0,
                                         1.25,   1.6,  2.0, 2.5,   3.2,  4.0, 5.0,  6.4,  8.0, 10.0, 12.5, 16.0};
inline constexpr std::int32_t kZoomStepCount = static_cast<std::int32_t>(sizeof kZoomLadder / sizeof kZoomLadder[0]);
inline constexpr std::int32_t kNaturalZoomStep = 12;  // the scale 1
inline constexpr std::int32_t kNoZoom = -1;           // the host's fit or natural size

// One wheel notch, as the platform counts it.
inline constexpr std::int32_t kWheelNotch = 120;

// The first step of a zoom from the host's fit or natural size: the first
// scale of the ladder further in (direction > 0) or out (direction < 0) than
// the picture's side drawn at drawnSide pixels, by more than half a drawn
// pixel, so that a scale that only rounding sets apart from the one shown
// counts as the one shown. kNoZoom when the ladder goes no further that way.
std::int32_t FirstZoomStep(std::int32_t drawnSide, std::int32_t pictureSide, int direction);

// The step that many steps (in for positive) lead to: once zoomed, along the
// ladder by its index; from the host's fit or natural size (currentStep
// kNoZoom), the first step as above, then by index. It stops at either end
// of the ladder, so it returns currentStep when nothing would change.
std::int32_t ZoomStepAfter(std::int32_t currentStep, std::int32_t drawnSide, std::int32_t pictureSide, int steps);

// The picture's size at a scale, each side rounded and at least 1.
PixelSize ZoomedSize(std::int32_t pictureWidth, std::int32_t pictureHeight, double scale);

// The scale a side of pictureSide pixels is shown at when it is drawn
// drawnSide pixels long: 0 when nothing of it is drawn (a view of no pixels
// fits the picture into none) or there is no picture.
double DrawnScale(std::int32_t drawnSide, std::int32_t pictureSide);

// Along one axis: the picture point (in picture pixels, fractional) drawn
// at a view coordinate when the picture's first pixel is drawn at origin;
// and the scroll position that draws a picture point at a view coordinate.
// At a scale of 0 nothing is drawn, so nothing is under any view point:
// the picture's first pixel stands in, and no division by 0 takes place.
double PicturePointAt(std::int32_t origin, std::int32_t viewPoint, double scale);
std::int32_t PositionShowing(double picturePoint, std::int32_t viewPoint, double scale);

// Along one axis: the scroll position at the new scale that keeps the
// picture point now under anchor (a view coordinate) under it. oldOrigin is
// where the picture's first pixel is drawn in the view; an old scale of 0
// (nothing was drawn) anchors the picture's first pixel.
std::int32_t AnchoredPosition(std::int32_t oldOrigin, std::int32_t anchor, double oldScale, double newScale);

// Adds a wheel delta to what is left over from earlier ones and returns the
// whole notches there now are (signed), keeping the rest: high-resolution
// wheels send deltas below a notch.
std::int32_t TakeWheelNotches(std::int32_t* remainder, std::int32_t delta);

// The part of a picture scaled to shown pixels, drawn with its first pixel
// at origin, that falls inside a view of viewSize: the source rows and
// columns, and where they are drawn. Empty when nothing shows.
struct VisibleSpan {
    std::int32_t source;
    std::int32_t sourceLength;
    std::int32_t dest;
    std::int32_t destLength;
};
VisibleSpan ComputeVisibleSpan(std::int64_t origin, std::int32_t shown, std::int32_t picture, std::int32_t viewSize);
