#pragma once

#include <cstdint>

// Line step of both scroll bars, in pixels.
inline constexpr std::int32_t kScrollLineStep = 30;

// What one scroll bar should hold for a picture in a client area.
struct ScrollBarPlan {
    bool shown;
    std::int32_t nMin;
    std::int32_t nMax;
    std::int32_t nPage;
    std::int32_t nPos;
};

// A bar is needed only at natural size for a picture at least 2 pixels larger
// than the client area (a 1-pixel excess is left uncovered instead).
bool ScrollBarNeeded(std::int32_t clientSize, std::int32_t pictureSize, bool fit);

// The bar for one axis: range 0 .. picture - 1, page the client size, and the
// current position brought down to the largest position there is.
ScrollBarPlan PlanScrollBar(std::int32_t clientSize, std::int32_t pictureSize, bool fit, std::int32_t currentPosition);

// The position that a scroll request (SB_LINEUP .. SB_ENDSCROLL) asks for; the
// platform then holds it within the bar's span.
std::int32_t NextScrollPosition(std::uint32_t requestCode, std::int32_t oldPosition, std::int32_t clientSize,
                                std::int32_t rangeMaximum, std::int32_t trackPosition);
