// The exports that open, reload and close a viewer window.
#include "diagnostics/bounded_string.h"
#include "plugin/detect_string.h"
#include "plugin/host_contract.h"
#include "plugin/module_state.h"
#include "plugin/settings.h"
#include "plugin/viewer_instance.h"
#include "plugin/wide_path.h"
#include "preview/preview_reader.h"
#include "viewer/viewer_window.h"

#include <memory>
#include <new>

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

struct BitmapDeleter {
    void operator()(ViewerInstance* instance) const
    {
        if (instance->bitmap != nullptr)
            DeleteObject(instance->bitmap);
        delete instance;
    }
};
// An instance still being built: freed with its picture unless handed over.
using PendingInstance = std::unique_ptr<ViewerInstance, BitmapDeleter>;

}  // namespace

extern "C" void __stdcall ListGetDetectString(char* buffer, int maxlen)
{
    CopyDetectString(buffer, maxlen);
}

extern "C" HWND __stdcall ListLoadW(HWND hostWindow, const wchar_t* documentPath, int showFlags)
{
    if (documentPath == nullptr)
        return nullptr;
    RegisterViewerClass();
    RECT hostClient = {};
    GetClientRect(hostWindow, &hostClient);

    PendingInstance instance(new (std::nothrow) ViewerInstance());
    if (instance == nullptr)
        return nullptr;
    CopyBounded(instance->filePath, documentPath, kWidePathCapacity);
    const auto flags = static_cast<std::uint32_t>(showFlags);
    instance->fit = (flags & kShowFlagFit) != 0;
    instance->fitLargerOnly = (flags & kShowFlagFitLargerOnly) != 0;
    instance->backColor = static_cast<COLORREF>(ReadSettingInt(kBackColorKey, kDefaultBackColor));
    instance->bitmap = LoadPreviewBitmap(instance->filePath);
    if (instance->bitmap == nullptr)
        return nullptr;

    HWND viewerWindow =
        CreateWindowExW(0, kViewerClassName, L"", WS_CHILD | WS_VISIBLE, hostClient.left, hostClient.top,
                        hostClient.right - hostClient.left, hostClient.bottom - hostClient.top, hostWindow, nullptr,
                        g_moduleState.moduleHandle, instance.get());
    if (viewerWindow == nullptr)
        return nullptr;
    ViewerInstance& shown = *instance.release();  // the window holds it now

    SettleCenter(hostWindow, viewerWindow, shown, flags);
    SendMessageW(viewerWindow, UpdateScrollbarsMessage, 0, 0);
    ShowWindow(viewerWindow, SW_SHOW);
    UpdateWindow(viewerWindow);
    return viewerWindow;
}

extern "C" HWND __stdcall ListLoad(HWND hostWindow, const char* documentPath, int showFlags)
{
    wchar_t widePath[kWidePathCapacity];
    return ListLoadW(hostWindow, ToWidePath(widePath, documentPath), showFlags);
}

extern "C" int __stdcall ListLoadNextW(HWND /*hostWindow*/, HWND viewerWindow, const wchar_t* documentPath,
                                       int showFlags)
{
    ViewerInstance* instance = FindViewerInstance(viewerWindow);
    if (instance == nullptr || documentPath == nullptr)
        return kStatusFailure;
    CopyBounded(instance->filePath, documentPath, kWidePathCapacity);
    ApplyShowFlags(*instance, static_cast<std::uint32_t>(showFlags));
    instance->hScrollShown = 0;
    instance->vScrollShown = 0;
    if (instance->bitmap != nullptr) {
        DeleteObject(instance->bitmap);
        instance->bitmap = nullptr;
    }
    instance->bitmap = LoadPreviewBitmap(instance->filePath);
    if (instance->bitmap == nullptr)
        return kStatusFailure;
    return RelayoutViewer(viewerWindow) ? kStatusSuccess : kStatusFailure;
}

extern "C" int __stdcall ListLoadNext(HWND hostWindow, HWND viewerWindow, const char* documentPath, int showFlags)
{
    wchar_t widePath[kWidePathCapacity];
    return ListLoadNextW(hostWindow, viewerWindow, ToWidePath(widePath, documentPath), showFlags);
}

extern "C" void __stdcall ListCloseWindow(HWND viewerWindow)
{
    if (viewerWindow == nullptr)
        return;
    ViewerInstance* instance = FindViewerInstance(viewerWindow);
    DestroyWindow(viewerWindow);
    delete instance;
}
