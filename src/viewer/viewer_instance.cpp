#include "viewer/viewer_instance.h"

#include "base/host_contract.h"
#include "viewer/viewer_window.h"
#include "viewer/zoom.h"

void ReleaseViewerBitmap(ViewerInstance& instance)
{
    if (instance.bitmap != nullptr) {
        DeleteObject(instance.bitmap);
        instance.bitmap = nullptr;
    }
}

void TakeViewerBitmap(ViewerInstance& instance, HBITMAP bitmap)
{
    // Viewers live on one thread; the counter is shared by all of them.
    static std::uint32_t s_lastSerial = 0;
    instance.bitmap = bitmap;
    instance.pictureSerial = ++s_lastSerial;
}

void ReleaseViewerSheets(ViewerInstance& instance)
{
    if (instance.documentBitmap != nullptr) {
        DeleteObject(instance.documentBitmap);
        instance.documentBitmap = nullptr;
    }
    delete instance.sheets;
    instance.sheets = nullptr;
    instance.shownSheet = 0;
}

void ReleaseViewerObjects(ViewerInstance& instance)
{
    if (instance.backgroundBrush != nullptr) {
        DeleteObject(instance.backgroundBrush);
        instance.backgroundBrush = nullptr;
    }
    // The controls that show it go with the window, and paint no more.
    if (instance.controlFont != nullptr) {
        DeleteObject(instance.controlFont);
        instance.controlFont = nullptr;
    }
    ReleaseViewerBitmap(instance);
    ReleaseViewerSheets(instance);
}

void ApplyShowFlags(ViewerInstance& instance, std::uint32_t showFlags)
{
    instance.fitLargerOnly = (showFlags & kShowFlagFitLargerOnly) != 0;
    instance.center = (showFlags & kShowFlagCenter) != 0;
    instance.fit = (showFlags & kShowFlagFit) != 0;
    instance.dark = (showFlags & kShowFlagDarkHost) != 0;
    instance.darkControls = instance.dark && (showFlags & kShowFlagDarkControls) != 0;
    instance.zoomStep = kNoZoom;
    instance.wheelRemainder = 0;
}

HFONT ControlFont(const ViewerInstance& instance)
{
    // A stock object, which nobody deletes.
    return instance.controlFont != nullptr ? instance.controlFont
                                           : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

COLORREF WantedBackColor(const ViewerInstance& instance)
{
    return instance.dark ? instance.darkBackColor : instance.lightBackColor;
}

double ZoomScale(const ViewerInstance& instance)
{
    if (instance.zoomStep < 0 || instance.zoomStep >= kZoomStepCount)
        return 0;
    return kZoomLadder[instance.zoomStep];
}

ViewerInstance* FindViewerInstance(HWND window)
{
    if (window == nullptr)
        return nullptr;
    // Only windows of our class hold an instance; the slot of any other
    // window means something else entirely. The class is asked, not the
    // window, so that a host may subclass the viewer.
    if (GetClassLongPtrW(window, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&ViewerWindowProc))
        return nullptr;
    return reinterpret_cast<ViewerInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
