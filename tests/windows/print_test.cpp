// Printing an open viewer's picture, observed at the platform boundary: the
// printer device context, the default-printer lookup, the job, the page
// geometry, the reports and every release. The "printer" handed to the plugin
// is a memory device context that answers as a 600 dpi A4 printer with 4 mm
// unprintable borders does, so no job reaches a spooler here.
#include "base/host_contract.h"
#include "drawing_fixture.h"
#include "viewer_host.h"

#include <functional>
#include <string>
#include <vector>

namespace {

struct CreateDcCall {
    std::wstring driver;
    std::wstring device;
    bool portIsNull;
    bool deviceModeIsNull;
};

struct DefaultPrinterCall {
    bool bufferIsNull;
    DWORD lengthIn;
};

struct Job {
    int size;
    std::wstring name;
    bool outputIsNull;
    bool dataTypeIsNull;
    DWORD flags;
};

struct Blit {
    int x, y, width, height;
    int sourceX, sourceY, sourceWidth, sourceHeight;
    DWORD rop;
    UINT usage;
    BITMAPINFOHEADER header;
    std::vector<std::uint32_t> pixels;  // as handed over, 0x00RRGGBB
};

// What the fake platform answers, and what it saw.
struct FakePrinter {
    bool opens = true;
    DWORD openFailure = ERROR_INVALID_PRINTER_NAME;
    bool defaultKnown = true;
    std::wstring defaultName = L"Default Laser";
    // 600 dpi A4 (4960 x 7016 dots) with 94-dot (4 mm) borders.
    int dotsPerInch = 600;
    int paperWidth = 4960;
    int paperHeight = 7016;
    int border = 94;
    bool descriptionFails = false;
    // Each fails with this last-error code when non-zero.
    DWORD startDocFailure = 0;
    DWORD startPageFailure = 0;
    DWORD drawFailure = 0;
    DWORD endPageFailure = 0;
    DWORD endDocFailure = 0;
    // Run inside StartDocW, as the host's messages are while its dialog is up.
    std::function<void()> duringStartDoc;

    HDC printerDc = nullptr;
    std::vector<CreateDcCall> createDcCalls;
    std::vector<DefaultPrinterCall> defaultPrinterCalls;
    std::vector<int> deviceCapsAsked;
    std::vector<Job> jobs;
    std::vector<Blit> blits;
    std::vector<std::string> events;  // print calls and releases, in order
};

FakePrinter* g_fake = nullptr;

HDC WINAPI FakeCreateDCW(const wchar_t* driver, const wchar_t* device, const wchar_t* port, const DEVMODEW* mode)
{
    g_fake->createDcCalls.push_back({driver != nullptr ? driver : L"<null>", device != nullptr ? device : L"<null>",
                                     port == nullptr, mode == nullptr});
    if (!g_fake->opens) {
        SetLastError(g_fake->openFailure);
        return nullptr;
    }
    g_fake->printerDc = CreateCompatibleDC(nullptr);
    return g_fake->printerDc;
}

BOOL WINAPI FakeGetDefaultPrinterW(wchar_t* buffer, DWORD* length)
{
    g_fake->defaultPrinterCalls.push_back({buffer == nullptr, *length});
    const DWORD needed = static_cast<DWORD>(g_fake->defaultName.size() + 1);
    if (!g_fake->defaultKnown) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (buffer == nullptr || *length < needed) {
        *length = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    wcscpy(buffer, g_fake->defaultName.c_str());
    *length = needed;
    return TRUE;
}

int WINAPI FakeGetObjectW(HANDLE object, int size, void* description)
{
    if (g_fake->descriptionFails)
        return 0;
    return GetObjectW(object, size, description);
}

int WINAPI FakeGetDeviceCaps(HDC dc, int index)
{
    g_fake->deviceCapsAsked.push_back(index);
    if (dc != g_fake->printerDc)
        return GetDeviceCaps(dc, index);
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return g_fake->dotsPerInch;
    case PHYSICALWIDTH:
        return g_fake->paperWidth;
    case PHYSICALHEIGHT:
        return g_fake->paperHeight;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return g_fake->border;
    case HORZRES:
        return g_fake->paperWidth - 2 * g_fake->border;
    case VERTRES:
        return g_fake->paperHeight - 2 * g_fake->border;
    default:
        return GetDeviceCaps(dc, index);
    }
}

// Records the call on the printer; fails it with the code given, if any.
int PrintCall(HDC dc, const char* name, DWORD failure)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? name : std::string(name) + " elsewhere");
    if (failure != 0) {
        SetLastError(failure);
        return SP_ERROR;
    }
    return 1;
}

int WINAPI FakeStartDocW(HDC dc, const DOCINFOW* job)
{
    g_fake->jobs.push_back({job->cbSize, job->lpszDocName != nullptr ? job->lpszDocName : L"<null>",
                            job->lpszOutput == nullptr, job->lpszDatatype == nullptr, job->fwType});
    if (g_fake->duringStartDoc)
        g_fake->duringStartDoc();
    return PrintCall(dc, "StartDocW", g_fake->startDocFailure);
}

int WINAPI FakeAbortDoc(HDC dc)
{
    return PrintCall(dc, "AbortDoc", 0);
}

int WINAPI FakeStartPage(HDC dc)
{
    return PrintCall(dc, "StartPage", g_fake->startPageFailure);
}

int WINAPI FakeEndPage(HDC dc)
{
    return PrintCall(dc, "EndPage", g_fake->endPageFailure);
}

int WINAPI FakeEndDoc(HDC dc)
{
    return PrintCall(dc, "EndDoc", g_fake->endDocFailure);
}

int WINAPI FakeStretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                             int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    Blit blit = {x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, rop, usage, info->bmiHeader, {}};
    if (info->bmiHeader.biBitCount == 32 && info->bmiHeader.biCompression == BI_RGB) {
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        blit.pixels.assign(pixels, pixels + std::abs(info->bmiHeader.biWidth * info->bmiHeader.biHeight));
    }
    g_fake->blits.push_back(blit);
    if (PrintCall(dc, "StretchDIBits", g_fake->drawFailure) <= 0)
        return 0;
    return StretchDIBits(dc, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, bits, info, usage, rop);
}

BOOL WINAPI FakeStretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                           int sourceWidth, int sourceHeight, DWORD rop)
{
    g_fake->events.push_back(target == g_fake->printerDc ? "StretchBlt" : "StretchBlt elsewhere");
    return StretchBlt(target, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop);
}

BOOL WINAPI FakeDeleteDC(HDC dc)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? "delete printer" : "delete other");
    return DeleteDC(dc);
}

void* (*g_originalMalloc)(size_t) = nullptr;
size_t g_refusedSize = 0;
void* RefuseNameBuffer(size_t size)
{
    return size == g_refusedSize ? nullptr : g_originalMalloc(size);
}

class Printing : public ViewerTest {
protected:
    Printing()
    {
        g_fake = &fake;
        Patch("gdi32.dll", "CreateDCW", &FakeCreateDCW);
        Patch("gdi32.dll", "GetObjectW", &FakeGetObjectW);
        Patch("gdi32.dll", "GetDeviceCaps", &FakeGetDeviceCaps);
        Patch("gdi32.dll", "StartDocW", &FakeStartDocW);
        Patch("gdi32.dll", "StartPage", &FakeStartPage);
        Patch("gdi32.dll", "EndPage", &FakeEndPage);
        Patch("gdi32.dll", "EndDoc", &FakeEndDoc);
        Patch("gdi32.dll", "AbortDoc", &FakeAbortDoc);
        Patch("gdi32.dll", "StretchDIBits", &FakeStretchDIBits);
        Patch("gdi32.dll", "StretchBlt", &FakeStretchBlt);
        Patch("gdi32.dll", "DeleteDC", &FakeDeleteDC);
        patches.push_back(std::make_unique<ImportPatch>(plugin.Module(), "winspool.drv", WORD{203},
                                                        reinterpret_cast<const void*>(&FakeGetDefaultPrinterW)));
        for (const auto& patch : patches)
            EXPECT_TRUE(patch->Applied());
    }
    ~Printing() override
    {
        patches.clear();
        g_fake = nullptr;
    }

    template <typename Function>
    void Patch(const char* dll, const char* name, Function* replacement)
    {
        patches.push_back(
            std::make_unique<ImportPatch>(plugin.Module(), dll, name, reinterpret_cast<const void*>(replacement)));
    }

    // Opens a viewer on a width x height picture and forgets what that did.
    HWND OpenViewer(int width, int height)
    {
        HWND viewer = LoadPicture(QuadrantPicture(width, height), 0);
        fake.events.clear();
        return viewer;
    }

    int Print(HWND viewer, const wchar_t* printerName, const PrintMargins* margins,
              const wchar_t* documentPath = L"C:\\docs\\bracket.SLDPRT")
    {
        return printW(viewer, documentPath, printerName, 0, margins);
    }

    // The print run of one page, from the job's start to the release: the
    // printer is fed device-independent bits, and no picture is selected
    // into any context.
    const std::vector<std::string> kPrintedPage = {"StartDocW", "StartPage", "StretchDIBits",
                                                   "EndPage",   "EndDoc",    "delete printer"};

    FakePrinter fake;
    std::vector<std::unique_ptr<ImportPatch>> patches;
    ListPrintWFunction printW = plugin.Export<ListPrintWFunction>("ListPrintW");
    ListPrintFunction print = plugin.Export<ListPrintFunction>("ListPrint");
};

void ExpectBlit(const Blit& blit, int x, int y, int width, int height, int sourceWidth, int sourceHeight)
{
    EXPECT_EQ(blit.x, x);
    EXPECT_EQ(blit.y, y);
    EXPECT_EQ(blit.width, width);
    EXPECT_EQ(blit.height, height);
    EXPECT_EQ(blit.sourceX, 0);
    EXPECT_EQ(blit.sourceY, 0);
    EXPECT_EQ(blit.sourceWidth, sourceWidth);
    EXPECT_EQ(blit.sourceHeight, sourceHeight);
    EXPECT_EQ(blit.rop, static_cast<DWORD>(SRCCOPY));
    EXPECT_EQ(blit.usage, static_cast<UINT>(DIB_RGB_COLORS));
}

// The bits handed to the printer are the picture's, row for row, whichever
// way up the header says they run.
void ExpectBitsOf(const Blit& blit, const IndexedPicture& picture)
{
    ASSERT_EQ(blit.header.biWidth, picture.width);
    ASSERT_EQ(std::abs(blit.header.biHeight), picture.height);
    ASSERT_EQ(blit.pixels.size(), static_cast<size_t>(picture.width) * picture.height);
    for (const POINT at : {POINT{0, 0}, POINT{picture.width - 1, 0}, POINT{0, picture.height - 1},
                           POINT{picture.width - 1, picture.height - 1}, POINT{picture.width / 3, picture.height / 2}}) {
        const int row = blit.header.biHeight > 0 ? picture.height - 1 - at.y : at.y;
        EXPECT_EQ(blit.pixels[static_cast<size_t>(row) * picture.width + at.x] & 0xFFFFFF, picture.ColourAt(at.x, at.y))
            << "at (" << at.x << ", " << at.y << ")";
    }
}

}  // namespace

// Margins of 200, 150, 100 and 300 tenths of a millimetre at 600 dpi: 472,
// 354, 236 and 709 dots from the paper's edges, less the 94-dot border.
TEST_F(Printing, NamedPrinterGetsOnePageInsideTheMargins)
{
    const IndexedPicture picture = QuadrantPicture(400, 300);
    HWND viewer = LoadPicture(picture, 0);
    fake.events.clear();
    const PrintMargins margins = {200, 150, 100, 300};
    EXPECT_EQ(Print(viewer, L"Office Laser", &margins), 0);

    ASSERT_EQ(fake.createDcCalls.size(), 1u);
    EXPECT_EQ(fake.createDcCalls[0].driver, L"WINSPOOL");
    EXPECT_EQ(fake.createDcCalls[0].device, L"Office Laser");
    EXPECT_TRUE(fake.createDcCalls[0].portIsNull);
    EXPECT_TRUE(fake.createDcCalls[0].deviceModeIsNull);
    EXPECT_TRUE(fake.defaultPrinterCalls.empty());

    ASSERT_EQ(fake.jobs.size(), 1u);
    EXPECT_EQ(fake.jobs[0].size, 40);
    EXPECT_EQ(fake.jobs[0].name, L"bracket.SLDPRT");
    EXPECT_TRUE(fake.jobs[0].outputIsNull);
    EXPECT_TRUE(fake.jobs[0].dataTypeIsNull);
    EXPECT_EQ(fake.jobs[0].flags, 0u);

    ASSERT_EQ(fake.blits.size(), 1u);
    ExpectBlit(fake.blits[0], 472 - 94, 354 - 94, 4960 - 472 - 236, 3189, 400, 300);
    ExpectBitsOf(fake.blits[0], picture);
    EXPECT_EQ(fake.events, kPrintedPage);
    Close(viewer);
}

// As large as fits inside all four margins, proportions kept; without
// margins, the printable area; margins that leave no room: no job at all.
TEST_F(Printing, PictureIsFittedInsideTheMarginsOrNotPrintedAtAll)
{
    HWND viewer = OpenViewer(300, 900);
    const PrintMargins margins = {200, 200, 200, 200};
    EXPECT_EQ(Print(viewer, L"p", &margins), 0);
    EXPECT_EQ(printW(viewer, L"C:\\docs\\bracket.SLDPRT", L"p", 0x7FFF, nullptr), 0);
    ASSERT_EQ(fake.blits.size(), 2u);
    // Taller than the page at full width: the height between the margins.
    ExpectBlit(fake.blits[0], 378, 378, 2024, 7016 - 2 * 472, 300, 900);
    ExpectBlit(fake.blits[1], 0, 0, 2276, 6828, 300, 900);

    fake.events.clear();
    fake.jobs.clear();
    const PrintMargins noRoom = {1050, 0, 1050, 0};  // 105 + 105 mm of 210
    EXPECT_EQ(Print(viewer, L"p", &noRoom), 1);
    EXPECT_TRUE(fake.jobs.empty());
    EXPECT_EQ(fake.events, std::vector<std::string>{"delete printer"});
    Close(viewer);
}

TEST_F(Printing, DefaultPrinterIsLookedUpWithTwoCalls)
{
    HWND viewer = OpenViewer(40, 30);
    EXPECT_EQ(Print(viewer, nullptr, nullptr), 0);
    ASSERT_EQ(fake.defaultPrinterCalls.size(), 2u);
    EXPECT_TRUE(fake.defaultPrinterCalls[0].bufferIsNull);
    EXPECT_EQ(fake.defaultPrinterCalls[0].lengthIn, 0u);
    EXPECT_FALSE(fake.defaultPrinterCalls[1].bufferIsNull);
    EXPECT_EQ(fake.defaultPrinterCalls[1].lengthIn, fake.defaultName.size() + 1);
    ASSERT_EQ(fake.createDcCalls.size(), 1u);
    EXPECT_EQ(fake.createDcCalls[0].device, L"Default Laser");
    EXPECT_EQ(fake.events, kPrintedPage);
    Close(viewer);
}

// The open-source file manager passes an empty name for the default printer.
TEST_F(Printing, EmptyPrinterNameMeansTheDefaultPrinter)
{
    HWND viewer = OpenViewer(40, 30);
    EXPECT_EQ(Print(viewer, L"", nullptr), 0);
    EXPECT_EQ(fake.defaultPrinterCalls.size(), 2u);
    ASSERT_EQ(fake.createDcCalls.size(), 1u);
    EXPECT_EQ(fake.createDcCalls[0].device, L"Default Laser");
    EXPECT_EQ(print(viewer, "C:\\docs\\drawing.SLDDRW", "", 0, nullptr), 0);
    ASSERT_EQ(fake.createDcCalls.size(), 2u);
    EXPECT_EQ(fake.createDcCalls[1].device, L"Default Laser");
    Close(viewer);
}

TEST_F(Printing, JobIsNamedAfterTheFileNameOfThePathGiven)
{
    HWND viewer = OpenViewer(40, 30);
    Print(viewer, L"p", nullptr, L"D:\\work\\assembly.v2.SLDASM");
    Print(viewer, L"p", nullptr, L"noextension");
    Print(viewer, L"p", nullptr, (L"C:\\docs\\" + std::wstring(256, L'b') + L".SLDPRT").c_str());
    Print(viewer, L"p", nullptr, (L"C:\\docs\\" + std::wstring(255, L'b') + L".SLDPRT").c_str());
    Print(viewer, L"p", nullptr, nullptr);
    ASSERT_EQ(fake.jobs.size(), 5u);
    EXPECT_EQ(fake.jobs[0].name, L"assembly.v2.SLDASM");
    EXPECT_EQ(fake.jobs[1].name, L"noextension");
    EXPECT_EQ(fake.jobs[2].name, L"");
    EXPECT_EQ(fake.jobs[3].name, std::wstring(255, L'b') + L".SLDPRT");
    EXPECT_EQ(fake.jobs[4].name, L"");
    Close(viewer);
}

TEST_F(Printing, AnsiTwinConvertsTheNameAndThePath)
{
    HWND viewer = OpenViewer(40, 30);
    EXPECT_EQ(print(viewer, "C:\\docs\\drawing.SLDDRW", "Office Laser", 0, nullptr), 0);
    EXPECT_EQ(print(viewer, "C:\\docs\\drawing.SLDDRW", nullptr, 0, nullptr), 0);
    ASSERT_EQ(fake.createDcCalls.size(), 2u);
    EXPECT_EQ(fake.createDcCalls[0].device, L"Office Laser");
    EXPECT_EQ(fake.createDcCalls[1].device, L"Default Laser");
    ASSERT_EQ(fake.jobs.size(), 2u);
    EXPECT_EQ(fake.jobs[0].name, L"drawing.SLDDRW");
    Close(viewer);
}

TEST_F(Printing, PrinterThatCannotBeOpenedIsReportedOnlyWithDebug)
{
    HWND viewer = OpenViewer(40, 30);
    fake.opens = false;
    EXPECT_EQ(Print(viewer, L"Gone", nullptr), 1);
    EXPECT_TRUE(plugin.Boxes().empty());

    SetDebug(1);
    EXPECT_EQ(Print(viewer, L"Gone", nullptr), 1);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, L"CreateDCW failed with error 1801: " + SystemText(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(plugin.Boxes()[0].owner, nullptr);
    EXPECT_TRUE(fake.jobs.empty());
    EXPECT_TRUE(fake.events.empty());
    Close(viewer);
}

TEST_F(Printing, UnknownDefaultPrinterGivesTwoReports)
{
    HWND viewer = OpenViewer(40, 30);
    fake.defaultKnown = false;
    SetDebug(1);
    EXPECT_EQ(Print(viewer, nullptr, nullptr), 1);
    EXPECT_TRUE(fake.createDcCalls.empty());
    ASSERT_EQ(plugin.Boxes().size(), 2u);
    EXPECT_EQ(plugin.Boxes()[0].text, L"GetDefaultPrinterW failed with error 2: " + SystemText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    // The second box shows whatever code is current after the first.
    EXPECT_EQ(plugin.Boxes()[1].text.rfind(L"CreateDCW failed with error ", 0), 0u) << plugin.Boxes()[1].text;
    EXPECT_EQ(plugin.Boxes()[1].type, static_cast<UINT>(MB_ICONERROR));

    plugin.ClearBoxes();
    SetDebug(0);
    EXPECT_EQ(Print(viewer, nullptr, nullptr), 1);
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);
}

TEST_F(Printing, RefusedNameBufferIsAPrinterThatCannotBeOpened)
{
    HWND viewer = OpenViewer(40, 30);
    ImportPatch allocation(plugin.Module(), "msvcrt.dll", "malloc", reinterpret_cast<const void*>(&RefuseNameBuffer));
    ASSERT_TRUE(allocation.Applied());
    g_originalMalloc = allocation.Original<void* (*)(size_t)>();
    g_refusedSize = (fake.defaultName.size() + 1) * sizeof(wchar_t);
    SetDebug(1);
    EXPECT_EQ(Print(viewer, nullptr, nullptr), 1);
    EXPECT_EQ(fake.defaultPrinterCalls.size(), 1u);
    EXPECT_TRUE(fake.createDcCalls.empty());
    // The code current then is the one the spooler's length query left.
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, L"CreateDCW failed with error 122: " + SystemText(ERROR_INSUFFICIENT_BUFFER));
    Close(viewer);
}

TEST_F(Printing, MissingViewerOrPictureReleasesThePrinterWithoutAJob)
{
    SetDebug(1);
    EXPECT_EQ(Print(nullptr, L"p", nullptr), 1);
    EXPECT_TRUE(fake.createDcCalls.empty());

    // The printer is opened before the viewer is looked at.
    EXPECT_EQ(Print(host, L"p", nullptr), 1);
    EXPECT_EQ(fake.createDcCalls.size(), 1u);
    EXPECT_EQ(fake.events, std::vector<std::string>{"delete printer"});

    HWND viewer = OpenViewer(40, 30);
    EXPECT_EQ(loadNextW(host, viewer, folder.File(L"missing.SLDPRT").c_str(), 0), 1);
    plugin.ClearBoxes();
    fake.events.clear();
    EXPECT_EQ(Print(viewer, L"p", nullptr), 1);
    EXPECT_EQ(fake.events, std::vector<std::string>{"delete printer"});
    EXPECT_TRUE(fake.jobs.empty());
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);
}

TEST_F(Printing, FailuresBeforeTheJobReleaseEverythingMadeSoFar)
{
    HWND viewer = OpenViewer(40, 30);
    SetDebug(1);
    fake.descriptionFails = true;
    EXPECT_EQ(Print(viewer, L"p", nullptr), 1);
    EXPECT_EQ(fake.events, std::vector<std::string>{"delete printer"});
    EXPECT_TRUE(fake.jobs.empty());
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);
}

// Every step after the job started is checked: a job that does not start,
// a page that does not start, cannot be drawn or does not end, and a job
// that does not end all fail; those inside the job abandon it. Each is
// reported with Debug on, naming the call; the user's own cancel never is.
TEST_F(Printing, EveryStepOfTheJobThatFailsEndsItAndFails)
{
    HWND viewer = OpenViewer(40, 30);
    SetDebug(1);
    struct Case {
        const char* what;
        DWORD FakePrinter::*failure;
        DWORD code;
        std::vector<std::string> events;
        std::wstring box;
    };
    const std::wstring denied = L" failed with error 5: " + SystemText(ERROR_ACCESS_DENIED);
    const Case cases[] = {
        {"StartDocW refused", &FakePrinter::startDocFailure, ERROR_ACCESS_DENIED, {"StartDocW", "delete printer"},
         L"StartDocW" + denied},
        {"StartDocW cancelled", &FakePrinter::startDocFailure, ERROR_CANCELLED, {"StartDocW", "delete printer"}, L""},
        {"StartPage", &FakePrinter::startPageFailure, ERROR_ACCESS_DENIED,
         {"StartDocW", "StartPage", "AbortDoc", "delete printer"}, L"StartPage" + denied},
        {"StretchDIBits", &FakePrinter::drawFailure, ERROR_ACCESS_DENIED,
         {"StartDocW", "StartPage", "StretchDIBits", "AbortDoc", "delete printer"}, L"StretchDIBits" + denied},
        {"EndPage", &FakePrinter::endPageFailure, ERROR_ACCESS_DENIED,
         {"StartDocW", "StartPage", "StretchDIBits", "EndPage", "AbortDoc", "delete printer"}, L"EndPage" + denied},
        {"EndPage cancelled", &FakePrinter::endPageFailure, ERROR_CANCELLED,
         {"StartDocW", "StartPage", "StretchDIBits", "EndPage", "AbortDoc", "delete printer"}, L""},
        {"EndDoc", &FakePrinter::endDocFailure, ERROR_ACCESS_DENIED,
         {"StartDocW", "StartPage", "StretchDIBits", "EndPage", "EndDoc", "delete printer"}, L"EndDoc" + denied},
    };
    for (const Case& test : cases) {
        fake.*test.failure = test.code;
        fake.events.clear();
        plugin.ClearBoxes();
        EXPECT_EQ(Print(viewer, L"p", nullptr), 1) << test.what;
        EXPECT_EQ(fake.events, test.events) << test.what;
        std::vector<std::wstring> boxes;
        for (const RecordedBox& box : plugin.Boxes())
            boxes.push_back(box.text);
        EXPECT_EQ(boxes, test.box.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{test.box})
            << test.what;
        fake.*test.failure = 0;
    }
    Close(viewer);
}

// The spooler's dialog inside StartDocW runs the host's messages: a viewer
// reloaded or closed meanwhile has no longer the picture the job was started
// for, and the job is abandoned without drawing anything.
TEST_F(Printing, ReloadOrCloseInsideStartDocPrintsNothing)
{
    const std::wstring other = PictureDocument(QuadrantPicture(40, 30), L"other.SLDPRT");
    HWND viewer = OpenViewer(40, 30);
    fake.duringStartDoc = [&] { EXPECT_EQ(loadNextW(host, viewer, other.c_str(), 0), 0); };
    EXPECT_EQ(Print(viewer, L"p", nullptr), 1);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"StartDocW", "AbortDoc", "delete printer"}));

    fake.events.clear();
    fake.duringStartDoc = [&] { Close(viewer); };
    EXPECT_EQ(Print(viewer, L"p", nullptr), 1);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"StartDocW", "AbortDoc", "delete printer"}));
    EXPECT_TRUE(fake.blits.empty());
    fake.duringStartDoc = nullptr;
}

TEST_F(Printing, PictureAndViewerAreUnchangedByPrinting)
{
    const IndexedPicture picture = QuadrantPicture(120, 90);
    HWND viewer = LoadPicture(picture, 0);
    const Screenshot before = Capture(viewer);
    EXPECT_EQ(Print(viewer, L"p", nullptr), 0);
    const Screenshot after = Capture(viewer);
    EXPECT_EQ(before.pixels, after.pixels);
    // The viewer can still copy its picture: no context holds it.
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ExpectPixelsEqual(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), picture);
    CloseClipboard();
    Close(viewer);
}

TEST_F(Printing, DrawingPrintsTheSheetShown)
{
    const std::wstring path = folder.File(L"plan.SLDDRW");
    WriteDrawing(path, Container::Archive, ThreeSheetDrawing(QuadrantPicture(180, 140)));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    SendKeyWithCtrl(viewer, VK_NEXT);
    fake.events.clear();
    EXPECT_EQ(Print(viewer, L"p", nullptr), 0);
    EXPECT_EQ(fake.events, kPrintedPage);
    ASSERT_EQ(fake.blits.size(), 1u);
    const Blit& blit = fake.blits[0];
    const SIZE size = SheetPictureSize(2);
    ASSERT_EQ(blit.header.biWidth, size.cx);
    ASSERT_EQ(std::abs(blit.header.biHeight), size.cy);
    ASSERT_EQ(blit.pixels.size(), static_cast<size_t>(size.cx) * size.cy);
    for (const POINT at : {POINT{0, 0}, POINT{size.cx - 1, 3}, POINT{17, size.cy - 1}}) {
        const int row = blit.header.biHeight > 0 ? size.cy - 1 - at.y : at.y;
        EXPECT_EQ(blit.pixels[static_cast<size_t>(row) * size.cx + at.x] & 0xFFFFFF,
                  SheetPixelOver(2, at.x, at.y, kBackgroundPixel))
            << "at (" << at.x << ", " << at.y << ")";
    }
    Close(viewer);
}
