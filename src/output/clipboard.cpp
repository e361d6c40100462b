// Copying a picture to the clipboard.
#include "output/clipboard.h"

#include "base/host_contract.h"
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

constexpr UINT kClipboardBoxType = MB_OK | MB_ICONWARNING;

}  // namespace

int CopyBitmapToClipboard(HBITMAP picture)
{
    // Made before the clipboard is touched: when it cannot be, the user's
    // clipboard keeps what it holds. A bitmap nobody can render is never
    // announced.
    ScopedBitmap duplicate(DuplicateBitmap(picture));
    if (duplicate == nullptr)
        return kStatusFailure;
    if (!OpenClipboard(nullptr)) {
        ReportLastErrorIfDebug(L"OpenClipboard", kClipboardBoxType);
        return kStatusFailure;
    }
    if (!EmptyClipboard()) {
        ReportLastErrorIfDebug(L"EmptyClipboard", kClipboardBoxType);
        CloseClipboard();
        return kStatusFailure;
    }
    int result = kStatusFailure;
    if (SetClipboardData(CF_BITMAP, duplicate.get()) != nullptr) {
        duplicate.release();  // the clipboard owns it now
        result = kStatusSuccess;
    } else {
        ReportLastErrorIfDebug(L"SetClipboardData", kClipboardBoxType);
    }
    if (!CloseClipboard())
        ReportLastErrorIfDebug(L"CloseClipboard", kClipboardBoxType);
    return result;
}
