#include "viewer/viewer_colours.h"

#include "viewer/viewer_info_panel.h"

#include <uxtheme.h>

bool HighContrastOn()
{
    HIGHCONTRASTW mode = {};
    mode.cbSize = sizeof mode;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof mode, &mode, 0) &&
           (mode.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void ApplyControlTheme(HWND viewerWindow, const ViewerInstance& instance, bool wasThemed)
{
    const bool themed = WantsDarkControls(instance);
    if (themed == wasThemed)
        return;
    SetWindowTheme(viewerWindow, themed ? kDarkControlTheme : nullptr, nullptr);
    if (instance.sheetTabs != nullptr)
        SetWindowTheme(instance.sheetTabs, themed ? kDarkControlTheme : nullptr, nullptr);
}

void ApplyHostTheme(HWND viewerWindow, ViewerInstance& instance, bool wasThemed)
{
    ApplyControlTheme(viewerWindow, instance, wasThemed);
    ApplyInfoPanelTheme(instance, WantsDarkControls(instance) != wasThemed);
}

bool ApplyBackground(ViewerInstance& instance)
{
    const COLORREF wanted = WantedBackColor(instance);
    if (wanted == instance.backColor && instance.backgroundBrush != nullptr)
        return false;
    HBRUSH brush = CreateSolidBrush(wanted);
    if (brush == nullptr)
        return false;
    if (instance.backgroundBrush != nullptr)
        DeleteObject(instance.backgroundBrush);
    instance.backgroundBrush = brush;
    instance.backColor = wanted;
    return true;
}
