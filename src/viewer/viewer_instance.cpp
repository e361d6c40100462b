#include "viewer/viewer_instance.h"

#include "base/host_contract.h"
#include "viewer/viewer_window.h"

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
    ReleaseViewerBitmap(instance);
    ReleaseViewerSheets(instance);
}

void ApplyShowFlags(ViewerInstance& instance, std::uint32_t showFlags)
{
    instance.fitLargerOnly = (showFlags & kShowFlagFitLargerOnly) != 0;
    instance.center = (showFlags & kShowFlagCenter) != 0;
    instance.fit = (showFlags & kShowFlagFit) != 0;
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
