#include "viewer/zoom.h"

#include <cmath>
#include <limits>

namespace {

// A drawn side that changes by at most this many pixels has not changed:
// the scale shown is worked out from whole pixels, which rounding sets off
// the ladder by up to half a pixel.
constexpr double kSameDrawnSide = 0.5;

// A NaN, which no caller should give, is 0: the quiet test goes first, as
// the comparisons and the rounding would raise on it.
std::int32_t ClampToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(std::lround(value));
}

std::int32_t ZoomedSide(std::int32_t side, double scale)
{
    const std::int32_t zoomed = ClampToInt32(side * scale);
    return zoomed < 1 ? 1 : zoomed;
}

}  // namespace

std::int32_t FirstZoomStep(std::int32_t drawnSide, std::int32_t pictureSide, int direction)
{
    if (pictureSide <= 0 || direction == 0)
        return kNoZoom;
    if (direction > 0) {
        for (std::int32_t step = 0; step < kZoomStepCount; ++step)
            if (kZoomLadder[step] * pictureSide > drawnSide + kSameDrawnSide)
                return step;
        return kNoZoom;
    }
    for (std::int32_t step = kZoomStepCount; step-- > 0;)
        if (kZoomLadder[step] * pictureSide < drawnSide - kSameDrawnSide)
            return step;
    return kNoZoom;
}

std::int32_t ZoomStepAfter(std::int32_t currentStep, std::int32_t drawnSide, std::int32_t pictureSide, int steps)
{
    if (steps == 0)
        return currentStep;
    std::int32_t step = currentStep;
    std::int64_t left = steps > 0 ? steps : -static_cast<std::int64_t>(steps);
    if (step < 0 || step >= kZoomStepCount) {
        step = FirstZoomStep(drawnSide, pictureSide, steps);
        if (step == kNoZoom)
            return currentStep;
        --left;
    }
    // Along the ladder by its index, stopping at its ends.
    const std::int64_t target = steps > 0 ? step + left : step - left;
    if (target < 0)
        return 0;
    if (target >= kZoomStepCount)
        return kZoomStepCount - 1;
    return static_cast<std::int32_t>(target);
}

PixelSize ZoomedSize(std::int32_t pictureWidth, std::int32_t pictureHeight, double scale)
{
    return {ZoomedSide(pictureWidth, scale), ZoomedSide(pictureHeight, scale)};
}

double DrawnScale(std::int32_t drawnSide, std::int32_t pictureSide)
{
    if (drawnSide <= 0 || pictureSide <= 0)
        return 0;
    return static_cast<double>(drawnSide) / pictureSide;
}

double PicturePointAt(std::int32_t origin, std::int32_t viewPoint, double scale)
{
    if (!std::isgreater(scale, 0.0))
        return 0;
    return (static_cast<double>(viewPoint) - origin) / scale;
}

std::int32_t PositionShowing(double picturePoint, std::int32_t viewPoint, double scale)
{
    return ClampToInt32(picturePoint * scale - viewPoint);
}

std::int32_t AnchoredPosition(std::int32_t oldOrigin, std::int32_t anchor, double oldScale, double newScale)
{
    return PositionShowing(PicturePointAt(oldOrigin, anchor, oldScale), anchor, newScale);
}

std::int32_t TakeWheelNotches(std::int32_t* remainder, std::int32_t delta)
{
    const std::int64_t total = static_cast<std::int64_t>(*remainder) + delta;
    const std::int64_t notches = total / kWheelNotch;  // toward zero: a turn back cancels
    *remainder = static_cast<std::int32_t>(total - notches * kWheelNotch);
    return static_cast<std::int32_t>(notches);
}

VisibleSpan ComputeVisibleSpan(std::int64_t origin, std::int32_t shown, std::int32_t picture, std::int32_t viewSize)
{
    VisibleSpan span = {};
    if (shown <= 0 || picture <= 0 || viewSize <= 0)
        return span;
    // The shown pixels inside the view, then the source pixels that cover
    // them, whole, and where those land.
    const std::int64_t firstShown = origin < 0 ? -origin : 0;
    const std::int64_t endShown = viewSize - origin < shown ? viewSize - origin : shown;
    if (endShown <= firstShown)
        return span;
    const std::int64_t firstSource = firstShown * picture / shown;
    const std::int64_t endSource = (endShown * picture + shown - 1) / shown;
    const std::int64_t firstDest = origin + firstSource * shown / picture;
    const std::int64_t endDest = origin + (endSource * shown + picture - 1) / picture;
    span.source = static_cast<std::int32_t>(firstSource);
    span.sourceLength = static_cast<std::int32_t>(endSource - firstSource);
    span.dest = static_cast<std::int32_t>(firstDest);
    span.destLength = static_cast<std::int32_t>(endDest - firstDest);
    return span;
}
