#include "viewer/viewer_layout.h"

#include "base/host_contract.h"
#include "viewer/paint_layout.h"

RECT PictureAreaRect(HWND viewer, const ViewerInstance& instance)
{
    RECT client = {};
    GetClientRect(viewer, &client);
    const std::int32_t panelWidth = instance.infoPanel != nullptr ? InfoPanelWidth(client.right) : 0;
    const PixelSize area = PictureAreaSize(client.right, client.bottom, instance.tabStripHeight, panelWidth);
    return {0, 0, area.width, area.height};
}

bool RelayoutViewer(HWND window)
{
    SendMessageW(window, UpdateScrollbarsMessage, 0, 0);
    return InvalidateRect(window, nullptr, FALSE) != FALSE;
}
