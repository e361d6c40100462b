// Commands the host sends to an open viewer: copy, and new view options.
#include "diagnostics/error_report.h"
#include "plugin/host_contract.h"
#include "plugin/settings.h"
#include "plugin/viewer_instance.h"
#include "plugin/win32_holders.h"
#include "viewer/viewer_window.h"

// A new bitmap of the same geometry and pixels, owned by the caller.
HBITMAP DuplicateBitmap(HBITMAP source)
{
    BITMAP description = {};
    GetObjectW(source, sizeof description, &description);
    HBITMAP duplicate = CreateBitmapIndirect(&description);
    ScopedCreatedDc sourceDc(CreateCompatibleDC(nullptr));
    ScopedCreatedDc duplicateDc(CreateCompatibleDC(nullptr));
    {
        ScopedSelection sourceSelection(sourceDc.get(), source);
        ScopedSelection duplicateSelection(duplicateDc.get(), duplicate);
        BitBlt(duplicateDc.get(), 0, 0, description.bmWidth, description.bmHeight, sourceDc.get(), 0, 0, SRCCOPY);
    }
    return duplicate;
}

namespace {

void ReportClipboardFailure(const wchar_t* operation)
{
    if (IsDebugEnabled())
        ReportLastError(operation, MB_OK | MB_ICONWARNING);
}

int ApplyNewOptions(HWND viewerWindow, ViewerInstance& instance, std::uint32_t showFlags)
{
    ApplyShowFlags(instance, showFlags);
    return RelayoutViewer(viewerWindow) ? kStatusSuccess : kStatusFailure;
}

int CopyToClipboard(HBITMAP picture)
{
    if (!OpenClipboard(nullptr)) {
        ReportClipboardFailure(L"OpenClipboard");
        return kStatusFailure;
    }
    if (!EmptyClipboard()) {
        ReportClipboardFailure(L"EmptyClipboard");
        CloseClipboard();
        return kStatusFailure;
    }
    int result = kStatusFailure;
    // A duplicate that could not be made is not offered: the clipboard would
    // announce a bitmap that nobody can render.
    HBITMAP duplicate = DuplicateBitmap(picture);
    if (duplicate != nullptr) {
        if (SetClipboardData(CF_BITMAP, duplicate) != nullptr) {
            result = kStatusSuccess;  // the clipboard owns it now
        } else {
            ReportClipboardFailure(L"SetClipboardData");
            DeleteObject(duplicate);
        }
    }
    if (!CloseClipboard())
        ReportClipboardFailure(L"CloseClipboard");
    return result;
}

}  // namespace

extern "C" int __stdcall ListSendCommand(HWND viewerWindow, int command, int parameter)
{
    ViewerInstance* instance = FindViewerInstance(viewerWindow);
    if (instance == nullptr || instance->bitmap == nullptr)
        return kStatusFailure;
    switch (command) {
    case kCommandCopy:
        return CopyToClipboard(instance->bitmap);
    case kCommandNewParameters:
        return ApplyNewOptions(viewerWindow, *instance, static_cast<std::uint32_t>(parameter));
    default:
        return kStatusFailure;
    }
}
