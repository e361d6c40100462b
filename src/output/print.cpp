// Printing a picture on one page, as large as fits between the margins.
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

// What the printer says of its page.
PrinterPage ReadPrinterPage(HDC printer)
{
    PrinterPage page = {};
    page.dotsPerInchX = GetDeviceCaps(printer, LOGPIXELSX);
    page.dotsPerInchY = GetDeviceCaps(printer, LOGPIXELSY);
    page.paperWidth = GetDeviceCaps(printer, PHYSICALWIDTH);
    page.paperHeight = GetDeviceCaps(printer, PHYSICALHEIGHT);
    page.printableX = GetDeviceCaps(printer, PHYSICALOFFSETX);
    page.printableY = GetDeviceCaps(printer, PHYSICALOFFSETY);
    page.printableWidth = GetDeviceCaps(printer, HORZRES);
    page.printableHeight = GetDeviceCaps(printer, VERTRES);
    return page;
}

constexpr UINT kPrintBoxType = MB_ICONERROR;

// A failure after the job started: reported with Debug on, unless the user
// cancelled it.
void ReportPrintFailure(const wchar_t* operation)
{
    if (GetLastError() != ERROR_CANCELLED)
        ReportLastErrorIfDebug(operation, kPrintBoxType);
}

// Ends a job that cannot be finished: reported, then abandoned.
int AbandonJob(HDC printer, const wchar_t* operation)
{
    ReportPrintFailure(operation);
    AbortDoc(printer);
    return kStatusFailure;
}

// Draws the picture onto the started page as device-independent bits, the
// way printers are fed: its pixels read with GetDIBits as 32-bit rows, then
// StretchDIBits. The picture is selected into no context meanwhile, so that
// a repaint, close or reload of the viewer never finds it held. Names the
// call that failed, or null.
const wchar_t* DrawPicture(HDC printer, HBITMAP picture, const BITMAP& description, const PrintPlacement& placement)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = description.bmWidth;
    info.bmiHeader.biHeight = description.bmHeight;  // bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const std::size_t pixelBytes = std::size_t{4} * static_cast<std::size_t>(description.bmWidth) *
                                   static_cast<std::size_t>(description.bmHeight);
    ScopedMalloc<unsigned char> pixels(static_cast<unsigned char*>(std::malloc(pixelBytes)));
    if (pixels == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return L"malloc";
    }
    ScopedWindowDc screen(nullptr);
    const UINT rows = static_cast<UINT>(description.bmHeight);
    if (screen.Get() == nullptr ||
        GetDIBits(screen.Get(), picture, 0, rows, pixels.get(), &info, DIB_RGB_COLORS) != static_cast<int>(rows))
        return L"GetDIBits";
    screen.Release();
    const int drawn = StretchDIBits(printer, placement.x, placement.y, placement.width, placement.height, 0, 0,
                                    description.bmWidth, description.bmHeight, pixels.get(), &info, DIB_RGB_COLORS,
                                    SRCCOPY);
    if (drawn <= 0)  // 0 lines, or GDI_ERROR
        return L"StretchDIBits";
    return nullptr;
}

}  // namespace

HDC OpenPrinter(const wchar_t* printerName)
{
    // No name, or an empty one (as hosts pass it): the user's default printer.
    const bool named = printerName != nullptr && printerName[0] != L'\0';
    HDC printer = named ? CreateDCW(kPrinterDriver, printerName, nullptr, nullptr) : OpenDefaultPrinter();
    if (printer == nullptr)
        ReportLastErrorIfDebug(L"CreateDCW", kPrintBoxType);
    return printer;
}

int PrintPicture(HDC printer, const PrintedPicture& printed, const wchar_t* documentPath, const PrintMargins* margins)
{
    BITMAP description = {};
    if (GetObjectW(printed.picture, sizeof description, &description) == 0)
        return kStatusFailure;
    const PrintPlacement placement =
        ComputePrintPlacement(ReadPrinterPage(printer), description.bmWidth, description.bmHeight, margins);
    // Margins that leave no room: no job at all.
    if (!placement.fits)
        return kStatusFailure;
    wchar_t jobName[kWidePathCapacity];
    MakeJobName(documentPath, jobName);

    DOCINFOW job = {};
    job.cbSize = sizeof job;
    job.lpszDocName = jobName;
    // No job: the user cancelled the spooler's dialog (nothing to say), or
    // the spooler refused it.
    if (StartDocW(printer, &job) <= 0) {
        ReportPrintFailure(L"StartDocW");
        return kStatusFailure;
    }
    // The spooler's dialog runs the host's messages: the viewer may have been
    // reloaded or closed meanwhile, and its picture with it.
    if (printed.stillShown(printed.context) != printed.picture) {
        AbortDoc(printer);
        return kStatusFailure;
    }
    if (StartPage(printer) <= 0)
        return AbandonJob(printer, L"StartPage");
    if (const wchar_t* failed = DrawPicture(printer, printed.picture, description, placement))
        return AbandonJob(printer, failed);
    if (EndPage(printer) <= 0)
        return AbandonJob(printer, L"EndPage");
    if (EndDoc(printer) <= 0) {
        ReportPrintFailure(L"EndDoc");
        return kStatusFailure;
    }
    return kStatusSuccess;
}
