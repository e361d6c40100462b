#include "viewer/paint_layout.h"

#include "base/dpi_units.h"
#include "base/fit.h"
#include "viewer/zoom.h"

namespace {

// A picture smaller than the window in both directions keeps its size when
// only larger pictures are to be fitted; every other picture is scaled.
PixelSize ViewerFit(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                    std::int32_t pictureHeight, bool fitLargerOnly)
{
    if (fitLargerOnly && pictureWidth < clientWidth && pictureHeight < clientHeight)
        return {pictureWidth, pictureHeight};
    return ScaleToFit(clientWidth, clientHeight, pictureWidth, pictureHeight);
}

// Signed halving that drops the fraction toward zero, without overflow.
std::int32_t HalfDifference(std::int32_t client, std::int32_t drawn)
{
    return static_cast<std::int32_t>((static_cast<std::int64_t>(client) - drawn) / 2);
}

}  // namespace

PaintLayout ComputePaintLayout(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                               std::int32_t pictureHeight, ViewOptions options, bool hScrollShown, bool vScrollShown,
                               std::int32_t horizontalPosition, std::int32_t verticalPosition, double zoom)
{
    PaintLayout layout = {};
    layout.srcX = hScrollShown ? horizontalPosition : 0;
    layout.srcY = vScrollShown ? verticalPosition : 0;
    if (zoom > 0) {
        const PixelSize size = ZoomedSize(pictureWidth, pictureHeight, zoom);
        layout.drawWidth = size.width;
        layout.drawHeight = size.height;
        layout.stretched = zoom != 1;
        layout.zoomed = true;
    } else if (options.fit) {
        const PixelSize size = ViewerFit(clientWidth, clientHeight, pictureWidth, pictureHeight, options.fitLargerOnly);
        layout.drawWidth = size.width;
        layout.drawHeight = size.height;
        layout.stretched = true;
    } else {
        layout.drawWidth = pictureWidth;
        layout.drawHeight = pictureHeight;
    }
    if (options.center) {
        if (!hScrollShown)
            layout.destX = HalfDifference(clientWidth, layout.drawWidth);
        if (!vScrollShown)
            layout.destY = HalfDifference(clientHeight, layout.drawHeight);
    }
    return layout;
}

PixelSize ShownPictureSize(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                           std::int32_t pictureHeight, ViewOptions options, double zoom)
{
    const PaintLayout layout =
        ComputePaintLayout(clientWidth, clientHeight, pictureWidth, pictureHeight, options, false, false, 0, 0, zoom);
    return {layout.drawWidth, layout.drawHeight};
}

PixelSize PictureAreaSize(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t tabStripHeight,
                          std::int32_t infoPanelWidth)
{
    const std::int32_t width = clientWidth > infoPanelWidth ? clientWidth - infoPanelWidth : 0;
    const std::int32_t height = clientHeight > tabStripHeight ? clientHeight - tabStripHeight : 0;
    return {width, height};
}

std::int32_t InfoPanelWidth(std::int32_t clientWidth, std::int32_t dpi)
{
    if (clientWidth <= 0)
        return 0;
    const std::int32_t least = ScaleToDpi(kMinInfoPanelWidth, dpi);
    const std::int32_t most = ScaleToDpi(kMaxInfoPanelWidth, dpi);
    std::int32_t width = clientWidth / 3;
    if (width < least)
        width = least;
    if (width > most)
        width = most;
    return width < clientWidth ? width : clientWidth;
}

PixelSize ViewerPictureArea(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t tabStripHeight,
                            bool infoPanelShown, std::int32_t dpi)
{
    return PictureAreaSize(clientWidth, clientHeight, tabStripHeight,
                           infoPanelShown ? InfoPanelWidth(clientWidth, dpi) : 0);
}
