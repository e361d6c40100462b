#include "viewer/viewer_layout.h"

#include "base/host_contract.h"
#include "viewer/paint_layout.h"

RECT PictureAreaRect(HWND viewer, const ViewerInstance& instance)
{
    RECT client = {};
    GetClientRect(viewer, &client);
    const PixelSize area = ViewerPictureArea(client.right, client.bottom, instance.tabStripHeight,
                                             instance.infoPanel != nullptr, instance.dpi);
    return {0, 0, area.width, area.height};
}

bool RelayoutViewer(HWND window)
{
    SendMessageW(window, UpdateScrollbarsMessage, 0, 0);
    return InvalidateRect(window, nullptr, FALSE) != FALSE;
}
