#include "viewer/viewer_desktop.h"

#include "base/dpi.h"
#include "base/win32_holders.h"
#include "viewer/viewer_colours.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_info_panel.h"
#include "viewer/viewer_layout.h"
#include "viewer/viewer_sheets.h"

#include <cstring>

namespace {

bool SameFont(HFONT shown, HFONT wanted)
{
    LOGFONTW shownLook = {};
    LOGFONTW wantedLook = {};
    if (shown == nullptr || wanted == nullptr || GetObjectW(shown, sizeof shownLook, &shownLook) == 0 ||
        GetObjectW(wanted, sizeof wantedLook, &wantedLook) == 0)
        return shown == wanted;
    return std::memcmp(&shownLook, &wantedLook, sizeof shownLook) == 0;
}

}  // namespace

void TakeDesktopMetrics(HWND viewer, ViewerInstance& instance)
{
    instance.dpi = WindowDpi(viewer);
    instance.controlFont = static_cast<HFONT>(MessageFontForDpi(instance.dpi).release());
}

void FollowDesktopChange(HWND viewer, ViewerInstance* instance)
{
    if (instance == nullptr)
        return;
    const std::int32_t dpi = WindowDpi(viewer);
    ScopedFont font = MessageFontForDpi(dpi);
    if (dpi == instance->dpi && SameFont(instance->controlFont, font.get()))
        return;
    EndViewerDrag(viewer, instance);
    const CentreAnchor centre = TakeCentreAnchor(viewer, *instance);
    // The controls take the new font before the old one goes.
    ScopedFont old(instance->controlFont);
    instance->controlFont = static_cast<HFONT>(font.release());
    instance->dpi = dpi;
    // A new row of tabs, which the control lays out from scratch.
    ShowSheetTabs(viewer, *instance);
    RefontInfoPanel(viewer, *instance);
    old.reset();
    RelayoutViewer(viewer);
    KeepCentreAnchor(viewer, *instance, centre);
}

void FollowDesktopColours(HWND viewer, ViewerInstance* instance)
{
    if (instance == nullptr)
        return;
    const bool wasThemed = WantsDarkControls(*instance);
    instance->highContrast = HighContrastOn();
    const bool backgroundChanged = ApplyBackground(*instance);
    // The panel takes the system's colours anew even when the mode stays.
    ApplyHostTheme(viewer, *instance, wasThemed);
    if (instance->sheetTabs != nullptr)
        InvalidateRect(instance->sheetTabs, nullptr, TRUE);
    InvalidateRect(viewer, nullptr, FALSE);
    if (backgroundChanged)
        PostMessageW(viewer, kReadPictureAgainMessage, 0, static_cast<LPARAM>(instance->pictureSerial));
}

void OnReadPictureAgainMessage(HWND viewer, LPARAM serial)
{
    ViewerInstance* instance = FindViewerInstance(viewer);
    if (instance == nullptr || instance->pictureSerial != static_cast<std::uint32_t>(serial))
        return;
    if (ReadShownPictureAgain(viewer, *instance) && FindViewerInstance(viewer) == instance)
        RelayoutViewer(viewer);
}
