// The exports that open, reload, command and close a viewer window.
#include "base/floating_point_guard.h"
#include "base/host_contract.h"
#include "base/host_exports.h"
#include "base/module_state.h"
#include "base/wide_path.h"
#include "output/clipboard.h"
#include "plugin/detect_string.h"
#include "viewer/viewer_instance.h"
#include "viewer/viewer_lifecycle.h"

#include <windows.h>

#include <cstdint>
#include <type_traits>

extern "C" void __stdcall ListGetDetectString(char* buffer, int maxlen)
{
    const FloatingPointGuard floatingPoint;
    CopyDetectString(buffer, maxlen);
}

extern "C" HWND __stdcall ListLoadW(HWND hostWindow, const wchar_t* documentPath, int showFlags)
{
    const FloatingPointGuard floatingPoint;
    if (documentPath == nullptr)
        return nullptr;
    return OpenViewer(hostWindow, documentPath, static_cast<std::uint32_t>(showFlags), &CopyBitmapToClipboard);
}

extern "C" HWND __stdcall ListLoad(HWND hostWindow, const char* documentPath, int showFlags)
{
    const FloatingPointGuard floatingPoint;
    wchar_t widePath[kWidePathCapacity];
    return ListLoadW(hostWindow, ToWidePath(widePath, documentPath), showFlags);
}

extern "C" int __stdcall ListLoadNextW(HWND /*hostWindow*/, HWND viewerWindow, const wchar_t* documentPath,
                                       int showFlags)
{
    const FloatingPointGuard floatingPoint;
    ViewerInstance* instance = FindViewerInstance(viewerWindow);
    if (instance == nullptr || documentPath == nullptr)
        return kStatusFailure;
    return ReloadViewer(viewerWindow, *instance, documentPath, static_cast<std::uint32_t>(showFlags));
}

extern "C" int __stdcall ListLoadNext(HWND hostWindow, HWND viewerWindow, const char* documentPath, int showFlags)
{
    const FloatingPointGuard floatingPoint;
    wchar_t widePath[kWidePathCapacity];
    return ListLoadNextW(hostWindow, viewerWindow, ToWidePath(widePath, documentPath), showFlags);
}

extern "C" int __stdcall ListSendCommand(HWND viewerWindow, int command, int parameter)
{
    const FloatingPointGuard floatingPoint;
    ViewerInstance* instance = FindViewerInstance(viewerWindow);
    // A viewer whose reload found no picture has nothing to act on; a sheet
    // without one still takes new options.
    if (instance == nullptr || (instance->bitmap == nullptr && instance->sheets == nullptr))
        return kStatusFailure;
    switch (command) {
    case kCommandCopy:
        // The sheet shown; one without a picture has nothing to copy.
        if (instance->bitmap == nullptr)
            return kStatusFailure;
        return CopyBitmapToClipboard(viewerWindow, instance->bitmap);
    case kCommandNewParameters:
        return ApplyViewerOptions(viewerWindow, *instance, static_cast<std::uint32_t>(parameter));
    default:
        return kStatusFailure;
    }
}

extern "C" void __stdcall ListCloseWindow(HWND viewerWindow)
{
    const FloatingPointGuard floatingPoint;
    if (viewerWindow == nullptr)
        return;
    CloseViewer(viewerWindow);
}

// The host calls these through the contract's types.
static_assert(std::is_same_v<decltype(&ListGetDetectString), ListGetDetectStringFunction>);
static_assert(std::is_same_v<decltype(&ListLoadW), ListLoadWFunction>);
static_assert(std::is_same_v<decltype(&ListLoad), ListLoadFunction>);
static_assert(std::is_same_v<decltype(&ListLoadNextW), ListLoadNextWFunction>);
static_assert(std::is_same_v<decltype(&ListLoadNext), ListLoadNextFunction>);
static_assert(std::is_same_v<decltype(&ListSendCommand), ListSendCommandFunction>);
static_assert(std::is_same_v<decltype(&ListCloseWindow), ListCloseWindowFunction>);
