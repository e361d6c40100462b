// Prints a document's picture for real through the plugin, three jobs:
//   bracket.SLDPRT  on the default printer (no name), with margins;
//   named.SLDDRW    on the printer named on the command line, without
//                   margins, the viewer reloaded with the same picture in the
//                   newer archive container;
//   tall.SLDPRT     on the default printer (an empty name, as hosts pass it),
//                   with margins, a picture taller than the page at full width.
// For each job it writes one line to standard output,
//   job NAME LEFT TOP RIGHT BOTTOM WIDTH HEIGHT
// the margins in tenths of a millimetre from the paper's edges ("-" for
// none) and the picture's size in pixels, after a line
//   colours RRGGBB RRGGBB RRGGBB RRGGBB   (top left, top right, bottom left, bottom right)
// of the pictures' four quadrant colours. The script beside this file
// rasterises the PDFs that the jobs make and measures where the picture
// stands, in millimetres.
#include "archive_document.h"
#include "base/host_exports.h"
#include "compound_file.h"
#include "dib_blocks.h"
#include "plugin_host.h"
#include "strict_floating_point.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Four quadrants in colours that survive PostScript and PDF conversion.
IndexedPicture QuadrantPicture(int width, int height)
{
    IndexedPicture picture = MakeBlockPicture(width, height);
    const RGBQUAD colours[4] = {{0, 0, 220, 0}, {0, 170, 0, 0}, {220, 0, 0, 0}, {0, 200, 230, 0}};
    for (int i = 0; i < 4; ++i)
        picture.palette[i + 1] = colours[i];
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.indices[static_cast<size_t>(y) * picture.width + x] =
                static_cast<std::uint8_t>(1 + (y * 2 / picture.height) * 2 + x * 2 / picture.width);
    return picture;
}

void PrintJobLine(const char* name, const PrintMargins* margins, const IndexedPicture& picture)
{
    if (margins != nullptr)
        std::printf("job %s %d %d %d %d %d %d\n", name, margins->left, margins->top, margins->right, margins->bottom,
                    picture.width, picture.height);
    else
        std::printf("job %s - - - - %d %d\n", name, picture.width, picture.height);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    UseStrictFloatingPoint();
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvelle_print_page PRINTER\n");
        return 2;
    }
    const wchar_t* printerName = argv[1];

    TempFolder folder;
    LoadedPlugin plugin(folder.Path());
    WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\nDebug=1\r\n");
    plugin.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    const IndexedPicture picture = QuadrantPicture(400, 300);
    const IndexedPicture tallPicture = QuadrantPicture(300, 900);
    const std::wstring document = folder.File(L"bracket.SLDPRT");
    WriteDocument(document, Rle8Block(picture));
    const std::wstring archive = folder.File(L"named.SLDDRW");
    WriteArchiveFile(archive, ArchiveDocument(Rle8Block(picture)));
    const std::wstring tall = folder.File(L"tall.SLDPRT");
    WriteDocument(tall, Rle8Block(tallPicture));

    HWND host = CreatePlainHostWindow(L"CorvellePrintHost", 400, 300);
    HWND viewer = plugin.Export<ListLoadWFunction>("ListLoadW")(host, document.c_str(), 0);
    if (viewer == nullptr) {
        std::fprintf(stderr, "the viewer did not open\n");
        return 1;
    }
    const auto print = plugin.Export<ListPrintWFunction>("ListPrintW");
    const auto loadNext = plugin.Export<ListLoadNextWFunction>("ListLoadNextW");
    // 20, 15, 10 and 30 mm from the paper's edges.
    const PrintMargins margins = {200, 150, 100, 300};
    const int onDefault = print(viewer, document.c_str(), nullptr, 0, &margins);
    const int reloaded = loadNext(host, viewer, archive.c_str(), 0);
    const int onNamed = print(viewer, archive.c_str(), printerName, 0, nullptr);
    const int reloadedTall = loadNext(host, viewer, tall.c_str(), 0);
    const int tallOnDefault = print(viewer, tall.c_str(), L"", 0, &margins);
    plugin.Export<ListCloseWindowFunction>("ListCloseWindow")(viewer);
    DestroyWindow(host);

    std::printf("colours");
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        std::printf(" %06X", static_cast<unsigned>(picture.ColourAt((quadrant % 2) * 200, (quadrant / 2) * 150)));
    std::printf("\n");
    PrintJobLine("bracket.SLDPRT", &margins, picture);
    PrintJobLine("named.SLDDRW", nullptr, picture);
    PrintJobLine("tall.SLDPRT", &margins, tallPicture);
    for (const RecordedBox& box : plugin.Boxes())
        std::fprintf(stderr, "report: %ls\n", box.text.c_str());
    if (onDefault != 0 || reloaded != 0 || onNamed != 0 || reloadedTall != 0 || tallOnDefault != 0) {
        std::fprintf(stderr,
                     "ListPrintW returned %d (default printer), %d (named printer, reload %d), %d (tall picture, "
                     "reload %d)\n",
                     onDefault, onNamed, reloaded, tallOnDefault, reloadedTall);
        return 1;
    }
    return 0;
}
