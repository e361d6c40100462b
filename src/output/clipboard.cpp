// Copying a picture to the clipboard.
#include "output/clipboard.h"

#include "base/host_contract.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"

namespace {

// A new bitmap of the same geometry and pixels, owned by the caller; null
// when any step fails, with whatever was made already released.
ScopedBitmap DuplicateBitmap(HBITMAP source)
{
    BITMAP description = {};
    if (GetObjectW(source, sizeof description, &description) != sizeof description)
        return nullptr;
    ScopedBitmap duplicate(CreateBitmapIndirect(&description));
    ScopedCreatedDc sourceDc(CreateCompatibleDC(nullptr));
    ScopedCreatedDc duplicateDc(CreateCompatibleDC(nullptr));
    if (duplicate == nullptr || sourceDc == nullptr || duplicateDc == nullptr)
        return nullptr;
    ScopedSelection sourceSelection(sourceDc.get(), source);
    ScopedSelection duplicateSelection(duplicateDc.get(), duplicate.get());
    if (!sourceSelection.Succeeded() || !duplicateSelection.Succeeded())
        return nullptr;
    if (!BitBlt(duplicateDc.get(), 0, 0, description.bmWidth, description.bmHeight, sourceDc.get(), 0, 0, SRCCOPY))
        return nullptr;
    return duplicate;
}

constexpr UINT kClipboardBoxType = MB_OK | MB_ICONWARNING;

}  // namespace

int CopyBitmapToClipboard(HWND owner, HBITMAP picture)
{
    // Made before the clipboard is touched: when it cannot be, the user's
    // clipboard keeps what it holds. A bitmap nobody can render is never
    // announced.
    ScopedBitmap duplicate = DuplicateBitmap(picture);
    if (duplicate == nullptr)
        return kStatusFailure;
    // With no owner, EmptyClipboard leaves the clipboard ownerless and the
    // platform may refuse SetClipboardData.
    if (!OpenClipboard(owner)) {
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
        duplicate.reset();  // released before the clipboard is closed
    }
    if (!CloseClipboard())
        ReportLastErrorIfDebug(L"CloseClipboard", kClipboardBoxType);
    return result;
}
