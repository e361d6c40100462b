// Printing the picture of an open viewer on one page, across the page width
// between the margins.
#include "diagnostics/bounded_string.h"
#include "diagnostics/error_report.h"
#include "output/print_geometry.h"
#include "plugin/host_contract.h"
#include "plugin/module_state.h"
#include "plugin/settings.h"
#include "plugin/split_path.h"
#include "plugin/viewer_instance.h"
#include "plugin/wide_path.h"
#include "plugin/win32_holders.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

// The spooler exports this by ordinal only; the import library says which.
extern "C" __declspec(dllimport) BOOL WINAPI GetDefaultPrinterW(wchar_t* buffer, DWORD* length);

namespace {

constexpr wchar_t kPrinterDriver[] = L"WINSPOOL";
constexpr std::size_t kNamePartCapacity = 256;

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

void ReportPrinterFailure(const wchar_t* operation)
{
    if (IsDebugEnabled())
        ReportLastError(operation, MB_ICONERROR);
}

HDC OpenDefaultPrinter()
{
    DWORD length = 0;
    GetDefaultPrinterW(nullptr, &length);
    // The spooler writes nothing into a buffer of 0 characters; one more keeps
    // the allocation real when there is no default printer at all.
    std::unique_ptr<wchar_t, FreeDeleter> name(
        static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (length != 0 ? length : 1))));
    if (name == nullptr)
        return nullptr;
    if (!GetDefaultPrinterW(name.get(), &length)) {
        ReportPrinterFailure(L"GetDefaultPrinterW");
        return nullptr;
    }
    return CreateDCW(kPrinterDriver, name.get(), nullptr, nullptr);
}

HDC OpenPrinter(const wchar_t* printerName)
{
    if (printerName != nullptr)
        return CreateDCW(kPrinterDriver, printerName, nullptr, nullptr);
    return OpenDefaultPrinter();
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

}  // namespace

extern "C" int __stdcall ListPrintW(HWND viewerWindow, const wchar_t* documentPath, const wchar_t* printerName,
                                    int /*printFlags*/, const PrintMargins* margins)
{
    if (viewerWindow == nullptr)
        return kStatusFailure;

    ScopedCreatedDc printer(OpenPrinter(printerName));
    if (printer == nullptr) {
        ReportPrinterFailure(L"CreateDCW");
        return kStatusFailure;
    }
    const ViewerInstance* instance = FindViewerInstance(viewerWindow);
    if (instance == nullptr || instance->bitmap == nullptr)
        return kStatusFailure;

    ScopedCreatedDc memory(CreateCompatibleDC(nullptr));
    if (memory == nullptr)
        return kStatusFailure;
    ScopedSelection selection(memory.get(), instance->bitmap);
    if (!selection.Succeeded())
        return kStatusFailure;
    BITMAP description = {};
    if (GetObjectW(instance->bitmap, sizeof description, &description) == 0)
        return kStatusFailure;

    const PrintPlacement placement = ComputePrintPlacement(GetDeviceCaps(printer.get(), PHYSICALWIDTH),
                                                           description.bmWidth, description.bmHeight, margins);
    wchar_t jobName[kWidePathCapacity];
    MakeJobName(documentPath, jobName);

    DOCINFOW job = {};
    job.cbSize = sizeof job;
    job.lpszDocName = jobName;
    StartDocW(printer.get(), &job);
    StartPage(printer.get());
    StretchBlt(printer.get(), placement.x, placement.y, placement.width, placement.height, memory.get(), 0, 0,
               description.bmWidth, description.bmHeight, SRCCOPY);
    EndPage(printer.get());
    EndDoc(printer.get());
    // The selection is undone first, then the memory and printer contexts go.
    return kStatusSuccess;
}

extern "C" int __stdcall ListPrint(HWND viewerWindow, const char* documentPath, const char* printerName, int printFlags,
                                   const PrintMargins* margins)
{
    wchar_t widePrinterName[kWidePathCapacity];
    wchar_t widePath[kWidePathCapacity];
    return ListPrintW(viewerWindow, ToWidePath(widePath, documentPath), ToWidePath(widePrinterName, printerName),
                      printFlags, margins);
}
