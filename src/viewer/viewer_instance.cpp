#include "viewer/viewer_instance.h"

#include "base/host_contract.h"
#include "viewer/zoom.h"

#include <cwchar>

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

namespace {

struct HostOptions {
    std::uint32_t fitLargerOnly;
    std::uint32_t center;
    std::uint32_t fit;
    std::uint32_t dark;
    std::uint32_t darkControls;
};

HostOptions OptionsOf(std::uint32_t showFlags)
{
    HostOptions options = {};
    options.fitLargerOnly = (showFlags & kShowFlagFitLargerOnly) != 0;
    options.center = (showFlags & kShowFlagCenter) != 0;
    options.fit = (showFlags & kShowFlagFit) != 0;
    options.dark = (showFlags & kShowFlagDarkHost) != 0;
    options.darkControls = options.dark && (showFlags & kShowFlagDarkControls) != 0;
    return options;
}

}  // namespace

void ApplyShowFlags(ViewerInstance& instance, std::uint32_t showFlags)
{
    const HostOptions options = OptionsOf(showFlags);
    instance.fitLargerOnly = options.fitLargerOnly;
    instance.center = options.center;
    instance.fit = options.fit;
    instance.dark = options.dark;
    instance.darkControls = options.darkControls;
}

bool ChangesOnlyColours(const ViewerInstance& instance, std::uint32_t showFlags)
{
    const HostOptions options = OptionsOf(showFlags);
    return options.fitLargerOnly == instance.fitLargerOnly && options.center == instance.center &&
           options.fit == instance.fit &&
           (options.dark != instance.dark || options.darkControls != instance.darkControls);
}

void EndZoom(ViewerInstance& instance)
{
    instance.zoomStep = kNoZoom;
    instance.wheelRemainder = 0;
}

HFONT ControlFont(const ViewerInstance& instance)
{
    // A stock object, which nobody deletes.
    return instance.controlFont != nullptr ? instance.controlFont
                                           : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool ShowsDarkColours(const ViewerInstance& instance)
{
    return instance.dark && !instance.highContrast;
}

bool WantsDarkControls(const ViewerInstance& instance)
{
    return instance.darkControls && !instance.highContrast;
}

COLORREF WantedBackColor(const ViewerInstance& instance)
{
    if (instance.highContrast)
        return GetSysColor(COLOR_WINDOW);
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
    // window, so that a host may subclass the viewer: its name, and the
    // module that registered it, since another copy of this module loaded
    // beside it registers a class of the same name.
    wchar_t className[sizeof kViewerClassName / sizeof kViewerClassName[0] + 1] = {};
    const int length = GetClassNameW(window, className, static_cast<int>(sizeof className / sizeof className[0]));
    if (length <= 0 || std::wcscmp(className, kViewerClassName) != 0 ||
        GetClassLongPtrW(window, GCLP_HMODULE) != reinterpret_cast<ULONG_PTR>(g_moduleState.moduleHandle))
        return nullptr;
    return reinterpret_cast<ViewerInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
