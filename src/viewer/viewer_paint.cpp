#include "base/win32_holders.h"
#include "viewer/paint_layout.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_layout.h"
#include "viewer/zoom.h"

namespace {

// Closes the paint, which validates the invalid area, on every path.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~ScopedPaint() { EndPaint(window_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;

    HDC Dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_;
};

// A zoomed picture: only the part inside the view is scaled, so that a
// paint costs the view's size whatever the zoom. Enlarged pixels are shown
// as the blocks they are; a reduction is averaged.
void DrawZoomedPicture(HDC target, HDC source, const BITMAP& picture, const PaintLayout& layout, const RECT& area)
{
    const VisibleSpan columns =
        ComputeVisibleSpan(std::int64_t{layout.destX} - layout.srcX, layout.drawWidth, picture.bmWidth, area.right);
    const VisibleSpan rows =
        ComputeVisibleSpan(std::int64_t{layout.destY} - layout.srcY, layout.drawHeight, picture.bmHeight, area.bottom);
    if (columns.sourceLength == 0 || rows.sourceLength == 0)
        return;
    SetStretchBltMode(target, layout.drawWidth > picture.bmWidth ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, columns.dest, rows.dest, columns.destLength, rows.destLength, source, columns.source,
               rows.source, columns.sourceLength, rows.sourceLength, SRCCOPY);
}

void DrawPicture(HDC target, HDC source, const BITMAP& picture, const PaintLayout& layout, const RECT& area)
{
    if (layout.zoomed && layout.stretched) {
        DrawZoomedPicture(target, source, picture, layout, area);
        return;
    }
    if (layout.stretched) {
        SetStretchBltMode(target, HALFTONE);
        SetBrushOrgEx(target, 0, 0, nullptr);
        StretchBlt(target, layout.destX, layout.destY, layout.drawWidth, layout.drawHeight, source, layout.srcX,
                   layout.srcY, picture.bmWidth, picture.bmHeight, SRCCOPY);
        return;
    }
    BitBlt(target, layout.destX, layout.destY, picture.bmWidth, picture.bmHeight, source, layout.srcX, layout.srcY,
           SRCCOPY);
}

}  // namespace

void PaintViewer(HWND window, ViewerInstance* instance)
{
    ScopedPaint paint(window);
    if (instance == nullptr)
        return;
    // The tabs below the picture area paint themselves; nothing of the
    // picture may land on them.
    const RECT area = PictureAreaRect(window, *instance);
    IntersectClipRect(paint.Dc(), area.left, area.top, area.right, area.bottom);
    FillRect(paint.Dc(), &area, instance->backgroundBrush);

    ScopedCreatedDc memory(CreateCompatibleDC(paint.Dc()));
    ScopedSelection selection(memory.get(), instance->bitmap);
    BITMAP picture = {};
    if (GetObjectW(instance->bitmap, sizeof picture, &picture) == 0)
        return;

    const int horizontal = instance->hScrollShown ? GetScrollPos(window, SB_HORZ) : 0;
    const int vertical = instance->vScrollShown ? GetScrollPos(window, SB_VERT) : 0;
    const ViewOptions options = {instance->center != 0, instance->fit != 0, instance->fitLargerOnly != 0};
    const PaintLayout layout = ComputePaintLayout(area.right, area.bottom, picture.bmWidth, picture.bmHeight, options,
                                                  instance->hScrollShown != 0, instance->vScrollShown != 0, horizontal,
                                                  vertical, ZoomScale(*instance));
    DrawPicture(paint.Dc(), memory.get(), picture, layout, area);
    instance->paintedWidth = layout.drawWidth;
    instance->paintedHeight = layout.drawHeight;
}
