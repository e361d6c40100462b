#include "viewer/viewer_window.h"

#include "base/floating_point_guard.h"
#include "base/host_contract.h"
#include "preview/preview_reader.h"
#include "viewer/viewer_desktop.h"
#include "viewer/viewer_handlers.h"
#include "viewer/viewer_info_panel.h"
#include "viewer/viewer_instance.h"
#include "viewer/viewer_layout.h"
#include "viewer/viewer_menu.h"
#include "viewer/viewer_sheets.h"

namespace {

// What WM_KEYDOWN answers for a key the viewer used.
constexpr LRESULT kKeyUsed = 1;

ViewerInstance* InstanceOf(HWND window)
{
    return reinterpret_cast<ViewerInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void OnCreate(HWND window, const CREATESTRUCTW* creation)
{
    auto* instance = static_cast<ViewerInstance*>(creation->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(instance));
    if (instance == nullptr)
        return;
    instance->backgroundBrush = CreateSolidBrush(instance->backColor);
    TakeDesktopMetrics(window, *instance);
    if (instance->bitmap == nullptr)
        TakeViewerBitmap(*instance, LoadPreviewBitmap(instance->filePath, &instance->backColor));
}

void OnDestroy(HWND window, ViewerInstance* instance)
{
    if (instance == nullptr)
        return;
    EndViewerDrag(window, instance);
    ReleaseViewerObjects(*instance);
}

void OnSize(HWND window, LPARAM lParam)
{
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    RECT client = {};
    GetClientRect(window, &client);
    // A size sent by the host that differs from ours: take it as our outer size.
    if (client.bottom != height || client.right != width)
        MoveWindow(window, 0, 0, width, height, TRUE);
    ViewerInstance* instance = InstanceOf(window);
    if (instance == nullptr)
        return;
    PlaceSheetTabs(window, *instance);
    PlaceInfoPanel(window, *instance);
    // A sheet without a picture still has its bars to hide.
    if (instance->bitmap != nullptr || instance->sheets != nullptr)
        RelayoutViewer(window);
}

}  // namespace

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The host's message loop calls in with the host's words.
    const FloatingPointGuard floatingPoint;
    switch (message) {
    case WM_CREATE:
        OnCreate(window, reinterpret_cast<const CREATESTRUCTW*>(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy(window, InstanceOf(window));
        return 0;
    case WM_SIZE:
        OnSize(window, lParam);
        return 0;
    case WM_PAINT:
        PaintViewer(window, InstanceOf(window));
        return 0;
    case WM_ERASEBKGND:
        // The background is filled in the same paint as the picture.
        return 1;
    case WM_HSCROLL:
        ScrollViewer(window, SB_HORZ, wParam);
        return 0;
    case WM_VSCROLL:
        ScrollViewer(window, SB_VERT, wParam);
        return 0;
    case WM_MOUSEWHEEL:
        // Never passed on: the host's window must not scroll as well.
        ScrollViewerByWheel(window, InstanceOf(window), wParam, lParam);
        return 0;
    case WM_MOUSEHWHEEL:
        ScrollViewerByTiltWheel(window, InstanceOf(window), wParam);
        return TRUE;  // handled: the platform sends no emulation
    case WM_LBUTTONDOWN:
        // A click in the picture gives the viewer the keys again, also when
        // the information panel has taken them.
        SetFocus(window);
        StartViewerDrag(window, InstanceOf(window), lParam);
        return 0;
    case WM_MOUSEMOVE:
        ContinueViewerDrag(window, InstanceOf(window), lParam);
        return 0;
    case WM_LBUTTONUP:
        EndViewerDrag(window, InstanceOf(window));
        return 0;
    case WM_CAPTURECHANGED:
        if (ViewerInstance* instance = InstanceOf(window))
            instance->dragging = false;
        return 0;
    case WM_SETCURSOR:
        if (SetViewerCursor(window, InstanceOf(window), wParam, lParam))
            return TRUE;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_GETDLGCODE:
        // A host that runs dialog keys on its window still lets the arrows
        // and characters reach the viewer.
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        // The host has the focus put here; what we do not use is its own. A
        // host that subclasses the viewer passes on to its own window every
        // key answered with 0, so a key used here is answered otherwise,
        // lest the host act on it too.
        if (ChooseSheetByKey(window, InstanceOf(window), wParam) ||
            ToggleInfoPanelByKey(window, InstanceOf(window), wParam) ||
            ZoomViewerByKey(window, InstanceOf(window), wParam) ||
            ScrollViewerByKey(window, InstanceOf(window), wParam) ||
            OpenContextMenuByKey(window, InstanceOf(window), wParam))
            return kKeyUsed;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_KEYUP:
        // The menu came with the Menu key's press; its release, where the
        // platform would make it too, must not make another.
        if (wParam == VK_APPS && InstanceOf(window) != nullptr)
            return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CONTEXTMENU:
        // A right-click's, Shift+F10's or the panel's.
        if (OpenContextMenu(window, InstanceOf(window), reinterpret_cast<HWND>(wParam), lParam))
            return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_NOTIFY:
        OnSheetTabNotify(window, InstanceOf(window), reinterpret_cast<const NMHDR*>(lParam));
        return OnInfoPanelNotify(window, InstanceOf(window), reinterpret_cast<const NMHDR*>(lParam));
    case kChooseSheetMessage:
        OnChooseSheetMessage(window, wParam, lParam);
        return 0;
    case WM_DPICHANGED_AFTERPARENT:
        // A new DPI, from a host aware of each monitor's.
        FollowDesktopChange(window, InstanceOf(window));
        return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        // New system fonts, metrics or colours, high contrast on or off: the
        // platform sends the first two to top-level windows, so a host hands
        // them on.
        FollowDesktopChange(window, InstanceOf(window));
        FollowDesktopColours(window, InstanceOf(window));
        return DefWindowProcW(window, message, wParam, lParam);
    case kReadPictureAgainMessage:
        OnReadPictureAgainMessage(window, lParam);
        return 0;
    case kMenuChoiceMessage:
        OnMenuChoiceMessage(window, wParam, lParam);
        return 0;
    case kPanelMenuMessage:
        OnPanelMenuMessage(window, wParam, lParam);
        return 0;
    case UpdateScrollbarsMessage:
        UpdateScrollbars(window, InstanceOf(window));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
