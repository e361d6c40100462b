// Copying a picture to the clipboard.
#include "output/clipboard.h"

#include "base/host_contract.h"
#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"

namespace {

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

void ReportClipboardFailure(const wchar_t* operation)
{
    if (IsDebugEnabled())
        ReportLastError(operation, MB_OK | MB_ICONWARNING);
}

}  // namespace

int CopyBitmapToClipboard(HBITMAP picture)
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
