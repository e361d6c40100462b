#include "viewer/zoom.h"

#include <cmath>
#include <limits>

namespace {

// Scales within this of a step count as that step: a fitted scale computed
// from whole pixels is never exact.
constexpr double kSameScale = 1e-6;

std::int32_t ClampToInt32(double value)
{
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

std::int32_t NextZoomStep(double shownScale, int direction)
{
    if (direction > 0) {
        for (std::int32_t step = 0; step < kZoomStepCount; ++step)
            if (kZoomLadder[step] > shownScale * (1 + kSameScale))
                return step;
        return kNoZoom;
    }
    for (std::int32_t step = kZoomStepCount; step-- > 0;)
        if (kZoomLadder[step] < shownScale * (1 - kSameScale))
            return step;
    return kNoZoom;
}

PixelSize ZoomedSize(std::int32_t pictureWidth, std::int32_t pictureHeight, double scale)
{
    return {ZoomedSide(pictureWidth, scale), ZoomedSide(pictureHeight, scale)};
}

std::int32_t AnchoredPosition(std::int32_t oldOrigin, std::int32_t anchor, double oldScale, double newScale)
{
    const double picturePoint = (static_cast<double>(anchor) - oldOrigin) / oldScale;
    return ClampToInt32(picturePoint * newScale - anchor);
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
