// Printing a picture on one page, across the page width between the margins.
#include "output/print.h"

#include "base/bounded_string.h"
#include "base/module_state.h"
#include "base/split_path.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "output/print_geometry.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

// The spooler exports this by ordinal only; the import library says which.
extern "C" __declspec(dllimport) BOOL WINAPI GetDefaultPrinterW(wchar_t* buffer, DWORD* length);

namespace {

constexpr wchar_t kPrinterDriver[] = L"WINSPOOL";
constexpr std::size_t kNamePartCapacity = 256;

HDC OpenDefaultPrinter()
{
    DWORD length = 0;
    GetDefaultPrinterW(nullptr, &length);
    // The spooler writes nothing into a buffer of 0 characters; one more keeps
    // the allocation real when there is no default printer at all.
    ScopedMalloc<wchar_t> name(static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (length != 0 ? length : 1))));
    if (name == nullptr)
        return nullptr;
    if (!GetDefaultPrinterW(name.get(), &length)) {
        ReportLastErrorIfDebug(L"GetDefaultPrinterW", MB_ICONERROR);
        return nullptr;
    }
    return CreateDCW(kPrinterDriver, name.get(), nullptr, nullptr);
}

// The file name with its extension, without drive or directory; empty when
// either part is too long to keep.
void MakeJobName(const wchar_t* documentPath, wchar_t (&jobName)[kWidePathCapacity])
{
    wchar_t baseName[kNamePartCapacity];
    wchar_t extension[kNamePartCapacity];
    SplitPath(documentPath, kPartNotWanted, kPartNotWanted, {baseName, kNamePartCapacity},
              {extension, kNamePartCapacity});
    CopyBounded(jobName, baseName, kWidePathCapacity);
    AppendBounded(jobName, extension, kWidePathCapacity);
}

// Draws the picture onto the started page; false when it cannot be selected
// (it may have been deleted while the spooler's dialog was up). The picture
// is selected only for the blit, so that a repaint, close or reload of the
// viewer meanwhile never finds it held.
bool DrawPicture(HDC printer, HDC memory, HBITMAP picture, const BITMAP& description, const PrintPlacement& placement)
{
    ScopedSelection selection(memory, picture);
    if (!selection.Succeeded())
        return false;
    StretchBlt(printer, placement.x, placement.y, placement.width, placement.height, memory, 0, 0, description.bmWidth,
               description.bmHeight, SRCCOPY);
    return true;
}

}  // namespace

HDC OpenPrinter(const wchar_t* printerName)
{
    HDC printer =
        printerName != nullptr ? CreateDCW(kPrinterDriver, printerName, nullptr, nullptr) : OpenDefaultPrinter();
    if (printer == nullptr)
        ReportLastErrorIfDebug(L"CreateDCW", MB_ICONERROR);
    return printer;
}

int PrintPicture(HDC printer, HBITMAP picture, const wchar_t* documentPath, const PrintMargins* margins)
{
    ScopedCreatedDc memory(CreateCompatibleDC(nullptr));
    if (memory == nullptr)
        return kStatusFailure;
    BITMAP description = {};
    if (GetObjectW(picture, sizeof description, &description) == 0)
        return kStatusFailure;

    const PrintPlacement placement = ComputePrintPlacement(GetDeviceCaps(printer, PHYSICALWIDTH), description.bmWidth,
                                                           description.bmHeight, margins);
    wchar_t jobName[kWidePathCapacity];
    MakeJobName(documentPath, jobName);

    DOCINFOW job = {};
    job.cbSize = sizeof job;
    job.lpszDocName = jobName;
    // No job: the user cancelled the spooler's dialog (nothing to say), or
    // the spooler refused it.
    if (StartDocW(printer, &job) <= 0) {
        if (GetLastError() != ERROR_CANCELLED)
            ReportLastErrorIfDebug(L"StartDocW", MB_ICONERROR);
        return kStatusFailure;
    }
    StartPage(printer);
    if (!DrawPicture(printer, memory.get(), picture, description, placement)) {
        AbortDoc(printer);
        return kStatusFailure;
    }
    EndPage(printer);
    EndDoc(printer);
    // The memory context goes first; the caller deletes the printer's last.
    return kStatusSuccess;
}
