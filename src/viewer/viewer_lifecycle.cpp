#include "viewer/viewer_lifecycle.h"

#include "base/bounded_string.h"
#include "base/host_contract.h"
#include "base/module_state.h"
#include "base/settings.h"
#include "base/win32_holders.h"
#include "preview/preview_reader.h"
#include "viewer/viewer_colours.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_info_panel.h"
#include "viewer/viewer_layout.h"
#include "viewer/viewer_sheets.h"
#include "viewer/viewer_window.h"

#include <memory>
#include <new>
#include <utility>

namespace {

void RegisterViewerClass()
{
    WNDCLASSEXW viewerClass = {};
    viewerClass.cbSize = sizeof viewerClass;
    viewerClass.style = CS_HREDRAW | CS_VREDRAW;
    viewerClass.lpfnWndProc = ViewerWindowProc;
    viewerClass.hInstance = g_moduleState.moduleHandle;
    viewerClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    viewerClass.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
    viewerClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    viewerClass.lpszClassName = kViewerClassName;
    // Fails once the class exists, from the second load on; that is fine.
    RegisterClassExW(&viewerClass);
}

// A CenterImage of 0 or 1 acts once: it is handed to the host and removed.
void SettleCenter(HWND hostWindow, HWND viewerWindow, ViewerInstance& instance, std::uint32_t showFlags)
{
    const int centerImage = ReadSettingInt(kCenterImageKey, kCenterImageAbsent);
    if (centerImage != 0 && centerImage != 1) {
        instance.center = (showFlags & kShowFlagCenter) != 0;
        return;
    }
    PostMessageW(hostWindow, WM_COMMAND, MAKEWPARAM(centerImage, kCenterHandOverCode),
                 reinterpret_cast<LPARAM>(viewerWindow));
    DeleteSetting(kCenterImageKey);
    instance.center = static_cast<std::uint32_t>(centerImage);
}

struct PendingInstanceDeleter {
    void operator()(ViewerInstance* instance) const
    {
        ReleaseViewerObjects(*instance);
        delete instance;
    }
};
// An instance still being built: freed with its objects unless handed over.
using PendingInstance = std::unique_ptr<ViewerInstance, PendingInstanceDeleter>;

}  // namespace

void UnregisterViewerClass()
{
    // Fails when no viewer was ever opened, or while one is still open; then
    // there is nothing to remove, or nothing safe to do.
    UnregisterClassW(kViewerClassName, g_moduleState.moduleHandle);
}

HWND OpenViewer(HWND hostWindow, const wchar_t* documentPath, std::uint32_t showFlags, CopyPictureFunction copyPicture)
{
    RegisterViewerClass();
    RECT hostClient = {};
    GetClientRect(hostWindow, &hostClient);

    PendingInstance instance(new (std::nothrow) ViewerInstance());
    if (instance == nullptr)
        return nullptr;
    CopyBounded(instance->filePath, documentPath, kWidePathCapacity);
    instance->copyPicture = copyPicture;
    instance->highContrast = HighContrastOn();
    ApplyShowFlags(*instance, showFlags);
    EndZoom(*instance);
    // Both colours once for each new viewer, as the host may turn dark or
    // light while it is open.
    instance->lightBackColor = static_cast<COLORREF>(ReadSettingInt(kBackColorKey, kDefaultBackColor));
    instance->darkBackColor = static_cast<COLORREF>(ReadSettingInt(kDarkBackColorKey, kDefaultDarkBackColor));
    instance->backColor = WantedBackColor(*instance);
    std::unique_ptr<SheetList> sheets(new (std::nothrow) SheetList);
    TakeViewerBitmap(*instance, LoadPreviewBitmap(instance->filePath, &instance->backColor, sheets.get()));
    if (instance->bitmap == nullptr)
        return nullptr;
    AdoptSheets(*instance, std::move(sheets));

    HWND viewerWindow =
        CreateWindowExW(0, kViewerClassName, L"", WS_CHILD | WS_VISIBLE, hostClient.left, hostClient.top,
                        hostClient.right - hostClient.left, hostClient.bottom - hostClient.top, hostWindow, nullptr,
                        g_moduleState.moduleHandle, instance.get());
    if (viewerWindow == nullptr)
        return nullptr;
    ViewerInstance& shown = *instance.release();  // the window holds it now

    SettleCenter(hostWindow, viewerWindow, shown, showFlags);
    ApplyControlTheme(viewerWindow, shown, false);
    ShowSheetTabs(viewerWindow, shown);
    // The setting is read for each new viewer; I shows or hides the panel.
    if (ReadSettingInt(kInfoPanelKey, 0) == 1)
        ShowInfoPanel(viewerWindow, shown, true);
    SendMessageW(viewerWindow, UpdateScrollbarsMessage, 0, 0);
    ShowWindow(viewerWindow, SW_SHOW);
    UpdateWindow(viewerWindow);
    return viewerWindow;
}

int ReloadViewer(HWND viewerWindow, ViewerInstance& instance, const wchar_t* documentPath, std::uint32_t showFlags)
{
    // A drag belongs to the picture it started on.
    EndViewerDrag(viewerWindow, &instance);
    CopyBounded(instance.filePath, documentPath, kWidePathCapacity);
    const bool wasThemed = WantsDarkControls(instance);
    ApplyShowFlags(instance, showFlags);
    EndZoom(instance);
    ApplyBackground(instance);
    ApplyHostTheme(viewerWindow, instance, wasThemed);
    // The next document's rows, read before its picture, whose box may
    // close the viewer.
    FillInfoPanel(instance);
    instance.hScrollShown = 0;
    instance.vScrollShown = 0;
    ReleaseViewerBitmap(instance);
    // The tabs of the document before go at once, so that none is chosen
    // while the next one is read.
    ReleaseViewerSheets(instance);
    ShowSheetTabs(viewerWindow, instance);
    PlaceInfoPanel(viewerWindow, instance);

    // The reader's report box runs a message loop in which the host may close
    // this viewer or reload it: read into locals, then find the record again.
    wchar_t path[kWidePathCapacity];
    CopyBounded(path, instance.filePath, kWidePathCapacity);
    const COLORREF background = instance.backColor;  // the colour its brush paints
    std::unique_ptr<SheetList> sheets(new (std::nothrow) SheetList);
    ScopedBitmap loaded(LoadPreviewBitmap(path, &background, sheets.get()));
    ViewerInstance* current = FindViewerInstance(viewerWindow);
    if (current == nullptr)
        return kStatusFailure;
    // A reload asked for later has already shown its picture, and wins.
    if (current->bitmap != nullptr)
        return kStatusFailure;
    if (loaded == nullptr)
        return kStatusFailure;
    TakeViewerBitmap(*current, static_cast<HBITMAP>(loaded.release()));
    AdoptSheets(*current, std::move(sheets));
    ShowSheetTabs(viewerWindow, *current);
    // The panel ends where the tabs, if any, begin.
    PlaceInfoPanel(viewerWindow, *current);
    return RelayoutViewer(viewerWindow) ? kStatusSuccess : kStatusFailure;
}

int ApplyViewerOptions(HWND viewerWindow, ViewerInstance& instance, std::uint32_t showFlags)
{
    EndViewerDrag(viewerWindow, &instance);
    // New view options may change the scale (a fit, the end of a zoom): what
    // the centre of the view shows stays there. New colours alone (the host
    // turning dark or light) keep the zoom and the place it shows.
    const CentreAnchor centre = TakeCentreAnchor(viewerWindow, instance);
    const bool wasThemed = WantsDarkControls(instance);
    const bool viewKept = ChangesOnlyColours(instance, showFlags);
    ApplyShowFlags(instance, showFlags);
    if (!viewKept)
        EndZoom(instance);
    // A true-colour picture was laid over the background it had: with
    // another one, the picture shown is read again. The document is not
    // loaded again: its sheet shown and the panel's rows and selection stay.
    const bool backgroundChanged = ApplyBackground(instance);
    ApplyHostTheme(viewerWindow, instance, wasThemed);
    const std::uint32_t serial = instance.pictureSerial;
    const bool readAgain = !backgroundChanged || ReadShownPictureAgain(viewerWindow, instance);
    // The read's box may have closed the viewer or shown another document
    // meanwhile: only the same picture keeps the centre.
    if (FindViewerInstance(viewerWindow) != &instance)
        return kStatusFailure;
    const bool laidOut = RelayoutViewer(viewerWindow);
    if (!viewKept && (readAgain || instance.pictureSerial == serial))
        KeepCentreAnchor(viewerWindow, instance, centre);
    return laidOut && readAgain ? kStatusSuccess : kStatusFailure;
}

void CloseViewer(HWND viewerWindow)
{
    ViewerInstance* instance = FindViewerInstance(viewerWindow);
    if (instance != nullptr)
        EndViewerDrag(viewerWindow, instance);
    DestroyWindow(viewerWindow);
    delete instance;
}
