// Prints a document's picture for real through the plugin: once on the
// default printer with margins, once on the printer named on the command line
// without margins, the second time with the viewer reloaded with the same
// picture in the newer archive container. For each job it writes one line to
// standard output,
//   job NAME X Y WIDTH HEIGHT
// the rectangle where the picture must appear, in device units measured from
// the physical page's corner, after a line
//   page PHYSICALWIDTH PHYSICALHEIGHT DPI
// and then the picture's four quadrant colours as
//   colours RRGGBB RRGGBB RRGGBB RRGGBB   (top left, top right, bottom left, bottom right)
// The script beside this file rasterises the PDFs that the jobs make and
// checks the colours there.
#include "archive_document.h"
#include "base/host_exports.h"
#include "compound_file.h"
#include "dib_blocks.h"
#include "plugin_host.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Four quadrants in colours that survive PostScript and PDF conversion.
IndexedPicture QuadrantPicture()
{
    IndexedPicture picture = MakeBlockPicture(400, 300);
    const RGBQUAD colours[4] = {{0, 0, 220, 0}, {0, 170, 0, 0}, {220, 0, 0, 0}, {0, 200, 230, 0}};
    for (int i = 0; i < 4; ++i)
        picture.palette[i + 1] = colours[i];
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.indices[static_cast<size_t>(y) * picture.width + x] =
                static_cast<std::uint8_t>(1 + (y * 2 / picture.height) * 2 + x * 2 / picture.width);
    return picture;
}

struct PageGeometry {
    int physicalWidth;
    int physicalHeight;
    int offsetX;  // the device's drawing origin on the physical page
    int offsetY;
    int dpi;
};

bool ReadPageGeometry(const wchar_t* printerName, PageGeometry* page)
{
    HDC printer = CreateDCW(L"WINSPOOL", printerName, nullptr, nullptr);
    if (printer == nullptr)
        return false;
    page->physicalWidth = GetDeviceCaps(printer, PHYSICALWIDTH);
    page->physicalHeight = GetDeviceCaps(printer, PHYSICALHEIGHT);
    page->offsetX = GetDeviceCaps(printer, PHYSICALOFFSETX);
    page->offsetY = GetDeviceCaps(printer, PHYSICALOFFSETY);
    page->dpi = GetDeviceCaps(printer, LOGPIXELSX);
    DeleteDC(printer);
    return true;
}

void PrintJobLine(const char* name, const PageGeometry& page, const PrintMargins* margins)
{
    const int left = margins != nullptr ? margins->left : 0;
    const int top = margins != nullptr ? margins->top : 0;
    const int right = margins != nullptr ? margins->right : 0;
    const int width = page.physicalWidth - left - right;
    std::printf("job %s %d %d %d %d\n", name, page.offsetX + left, page.offsetY + top, width, width * 3 / 4);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvelle_print_page PRINTER\n");
        return 2;
    }
    const wchar_t* printerName = argv[1];
    PageGeometry page = {};
    if (!ReadPageGeometry(printerName, &page)) {
        std::fprintf(stderr, "cannot open printer %ls (error %lu)\n", printerName, GetLastError());
        return 1;
    }

    TempFolder folder;
    LoadedPlugin plugin(folder.Path());
    WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\nDebug=1\r\n");
    plugin.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    const IndexedPicture picture = QuadrantPicture();
    const std::wstring document = folder.File(L"bracket.SLDPRT");
    WriteDocument(document, Rle8Block(picture));
    // The second page shows the same picture read from the newer container.
    const std::wstring archive = folder.File(L"named.SLDDRW");
    WriteArchiveFile(archive, ArchiveDocument(Rle8Block(picture)));

    HWND host = CreatePlainHostWindow(L"CorvellePrintHost", 400, 300);
    HWND viewer = plugin.Export<ListLoadWFunction>("ListLoadW")(host, document.c_str(), 0);
    if (viewer == nullptr) {
        std::fprintf(stderr, "the viewer did not open\n");
        return 1;
    }
    const auto print = plugin.Export<ListPrintWFunction>("ListPrintW");
    const PrintMargins margins = {page.physicalWidth / 8, page.physicalWidth / 5, page.physicalWidth / 4, 0};
    const int onDefault = print(viewer, document.c_str(), nullptr, 0, &margins);
    const int reloaded = plugin.Export<ListLoadNextWFunction>("ListLoadNextW")(host, viewer, archive.c_str(), 0);
    const int onNamed = print(viewer, archive.c_str(), printerName, 0, nullptr);
    plugin.Export<ListCloseWindowFunction>("ListCloseWindow")(viewer);
    DestroyWindow(host);

    std::printf("page %d %d %d\n", page.physicalWidth, page.physicalHeight, page.dpi);
    std::printf("colours");
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        std::printf(" %06X", static_cast<unsigned>(picture.ColourAt((quadrant % 2) * 200, (quadrant / 2) * 150)));
    std::printf("\n");
    PrintJobLine("bracket.SLDPRT", page, &margins);
    PrintJobLine("named.SLDDRW", page, nullptr);
    for (const RecordedBox& box : plugin.Boxes())
        std::fprintf(stderr, "report: %ls\n", box.text.c_str());
    if (onDefault != 0 || reloaded != 0 || onNamed != 0) {
        std::fprintf(stderr, "ListPrintW returned %d (default printer) and %d (named printer, reload %d)\n", onDefault,
                     onNamed, reloaded);
        return 1;
    }
    return 0;
}
