#pragma once

#include "base/fit.h"

#include <cstdint>

// Where and how big the picture is drawn in the client area.
struct PaintLayout {
    std::int32_t destX;
    std::int32_t destY;
    std::int32_t drawWidth;
    std::int32_t drawHeight;
    std::int32_t srcX;  // the point drawn at (destX, destY), in drawn pixels
    std::int32_t srcY;
    bool stretched;  // scaled to fit or zoomed rather than copied pixel for pixel
    bool zoomed;     // at a scale of the user's, which only the visible part is drawn of
};

struct ViewOptions {
    bool center;
    bool fit;
    bool fitLargerOnly;
};

// Lays the picture out at natural size (from the scroll positions where a bar
// is shown) or fitted, and centres each axis that has no bar when asked to.
// A zoom above 0 is a scale of the user's: the picture is laid out as at
// natural size, only scaled, whatever the fit option says.
PaintLayout ComputePaintLayout(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                               std::int32_t pictureHeight, ViewOptions options, bool hScrollShown, bool vScrollShown,
                               std::int32_t horizontalPosition, std::int32_t verticalPosition, double zoom = 0);

// The size the picture is drawn at, which the scroll bars are planned for:
// zoomed, fitted or natural.
PixelSize ShownPictureSize(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                           std::int32_t pictureHeight, ViewOptions options, double zoom);

// The part of the client area a picture is shown in: all of it above the
// row of sheet tabs (tabStripHeight 0 without tabs) and left of the
// information panel (infoPanelWidth 0 while it is hidden), never below 0.
PixelSize PictureAreaSize(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t tabStripHeight,
                          std::int32_t infoPanelWidth = 0);

// The information panel takes a third of the client width, wide enough for
// a date and a short name and never so wide that the picture loses most of
// the view; in a client narrower than its least width, all of it. The bounds
// are in 96-DPI units, scaled to the window's DPI as the text in the panel is.
inline constexpr std::int32_t kMinInfoPanelWidth = 200;
inline constexpr std::int32_t kMaxInfoPanelWidth = 400;
std::int32_t InfoPanelWidth(std::int32_t clientWidth, std::int32_t dpi);

// The picture area of a viewer's client area: above its row of sheet tabs
// and, while the information panel is shown, left of the panel's width.
PixelSize ViewerPictureArea(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t tabStripHeight,
                            bool infoPanelShown, std::int32_t dpi);
