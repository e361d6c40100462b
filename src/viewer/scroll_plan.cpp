#include "viewer/scroll_plan.h"

#include <limits>

namespace {

// Request codes of WM_HSCROLL and WM_VSCROLL.
constexpr std::uint32_t kLineUp = 0;
constexpr std::uint32_t kLineDown = 1;
constexpr std::uint32_t kPageUp = 2;
constexpr std::uint32_t kPageDown = 3;
constexpr std::uint32_t kThumbPosition = 4;
constexpr std::uint32_t kThumbTrack = 5;
constexpr std::uint32_t kTop = 6;
constexpr std::uint32_t kBottom = 7;

std::int32_t Saturate(std::int64_t value)
{
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace

bool ScrollBarNeeded(std::int32_t clientSize, std::int32_t pictureSize, bool fit)
{
    return !fit && static_cast<std::int64_t>(clientSize) < static_cast<std::int64_t>(pictureSize) - 1;
}

ScrollBarPlan PlanScrollBar(std::int32_t clientSize, std::int32_t pictureSize, bool fit, std::int32_t currentPosition)
{
    ScrollBarPlan plan = {};
    if (!ScrollBarNeeded(clientSize, pictureSize, fit))
        return plan;
    const std::int32_t largest = Saturate(static_cast<std::int64_t>(pictureSize) - clientSize);
    plan.shown = true;
    plan.nMin = 0;
    plan.nMax = pictureSize - 1;
    plan.nPage = clientSize;
    plan.nPos = currentPosition < largest ? currentPosition : largest;
    return plan;
}

std::int32_t NextScrollPosition(std::uint32_t requestCode, std::int32_t oldPosition, std::int32_t clientSize,
                                std::int32_t rangeMaximum, std::int32_t trackPosition)
{
    const std::int64_t old = oldPosition;
    switch (requestCode) {
    case kLineUp:
        return Saturate(old - kScrollLineStep);
    case kLineDown:
        return Saturate(old + kScrollLineStep);
    case kPageUp:
        return Saturate(old - clientSize);
    case kPageDown:
        return Saturate(old + clientSize);
    case kThumbPosition:
    case kThumbTrack:
        return trackPosition;
    case kTop:
        return 0;
    case kBottom:
        return rangeMaximum;
    default:
        return oldPosition;
    }
}
