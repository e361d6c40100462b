// The exports that print a viewer's picture and make thumbnails.
#include "base/floating_point_guard.h"
#include "base/host_contract.h"
#include "base/host_exports.h"
#include "base/module_state.h"
#include "base/wide_path.h"
#include "base/win32_holders.h"
#include "output/print.h"
#include "output/thumbnail.h"
#include "viewer/viewer_instance.h"

#include <windows.h>

#include <cstdint>
#include <type_traits>

extern "C" HBITMAP __stdcall ListGetPreviewBitmapW(const wchar_t* documentPath, int boxWidth, int boxHeight,
                                                   char* /*contentBuffer*/, int /*contentLength*/)
{
    const FloatingPointGuard floatingPoint;
    return MakeThumbnail(documentPath, boxWidth, boxHeight);
}

extern "C" HBITMAP __stdcall ListGetPreviewBitmap(const char* documentPath, int boxWidth, int boxHeight,
                                                  char* contentBuffer, int contentLength)
{
    const FloatingPointGuard floatingPoint;
    wchar_t widePath[kWidePathCapacity];
    return ListGetPreviewBitmapW(ToWidePath(widePath, documentPath), boxWidth, boxHeight, contentBuffer, contentLength);
}

namespace {

// The picture a print job was started for, and the viewer showing it.
struct ShownPicture {
    HWND viewerWindow;
    HBITMAP picture;
    std::uint32_t serial;
};

HBITMAP StillShown(void* context)
{
    const auto* shown = static_cast<const ShownPicture*>(context);
    const ViewerInstance* instance = FindViewerInstance(shown->viewerWindow);
    if (instance == nullptr || instance->bitmap != shown->picture || instance->pictureSerial != shown->serial)
        return nullptr;
    return instance->bitmap;
}

}  // namespace

extern "C" int __stdcall ListPrintW(HWND viewerWindow, const wchar_t* documentPath, const wchar_t* printerName,
                                    int /*printFlags*/, const PrintMargins* margins)
{
    const FloatingPointGuard floatingPoint;
    if (viewerWindow == nullptr)
        return kStatusFailure;
    // The printer is opened before the viewer is looked at; it goes last.
    ScopedCreatedDc printer(OpenPrinter(printerName));
    if (printer == nullptr)
        return kStatusFailure;
    const ViewerInstance* instance = FindViewerInstance(viewerWindow);
    if (instance == nullptr || instance->bitmap == nullptr)
        return kStatusFailure;
    ShownPicture shown = {viewerWindow, instance->bitmap, instance->pictureSerial};
    return PrintPicture(printer.get(), {instance->bitmap, &StillShown, &shown}, documentPath, margins);
}

extern "C" int __stdcall ListPrint(HWND viewerWindow, const char* documentPath, const char* printerName, int printFlags,
                                   const PrintMargins* margins)
{
    const FloatingPointGuard floatingPoint;
    wchar_t widePrinterName[kWidePathCapacity];
    wchar_t widePath[kWidePathCapacity];
    return ListPrintW(viewerWindow, ToWidePath(widePath, documentPath), ToWidePath(widePrinterName, printerName),
                      printFlags, margins);
}

// The host calls these through the contract's types.
static_assert(std::is_same_v<decltype(&ListGetPreviewBitmapW), ListGetPreviewBitmapWFunction>);
static_assert(std::is_same_v<decltype(&ListGetPreviewBitmap), ListGetPreviewBitmapFunction>);
static_assert(std::is_same_v<decltype(&ListPrintW), ListPrintWFunction>);
static_assert(std::is_same_v<decltype(&ListPrint), ListPrintFunction>);
