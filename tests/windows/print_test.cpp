// Printing an open viewer's picture, observed at the platform boundary: the
// printer device context, the default-printer lookup, the job, the page
// geometry, the reports and every release. The "printer" handed to the plugin
// is a memory device context, so no job reaches a spooler here.
#include "base/host_contract.h"
#include "viewer_host.h"

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
};

// What the fake platform answers, and what it saw.
struct FakePrinter {
    bool opens = true;
    DWORD openFailure = ERROR_INVALID_PRINTER_NAME;
    bool defaultKnown = true;
    std::wstring defaultName = L"Default Laser";
    int physicalWidth = 496;
    bool memoryDcFails = false;
    bool selectionFails = false;
    bool descriptionFails = false;
    DWORD startDocFailure = 0;  // StartDocW fails with this last-error code

    HDC printerDc = nullptr;
    HDC memoryDc = nullptr;
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

HDC WINAPI FakeCreateCompatibleDC(HDC dc)
{
    if (g_fake->memoryDcFails)
        return nullptr;
    g_fake->memoryDc = CreateCompatibleDC(dc);
    return g_fake->memoryDc;
}

HGDIOBJ WINAPI FakeSelectObject(HDC dc, HGDIOBJ object)
{
    if (g_fake->selectionFails && GetObjectType(object) == OBJ_BITMAP && dc == g_fake->memoryDc)
        return nullptr;
    g_fake->events.push_back(GetObjectType(object) == OBJ_BITMAP ? "select bitmap" : "select other");
    return SelectObject(dc, object);
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
    if (dc == g_fake->printerDc && index == PHYSICALWIDTH)
        return g_fake->physicalWidth;
    return GetDeviceCaps(dc, index);
}

int WINAPI FakeStartDocW(HDC dc, const DOCINFOW* job)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? "StartDocW" : "StartDocW elsewhere");
    g_fake->jobs.push_back({job->cbSize, job->lpszDocName != nullptr ? job->lpszDocName : L"<null>",
                            job->lpszOutput == nullptr, job->lpszDatatype == nullptr, job->fwType});
    if (g_fake->startDocFailure != 0) {
        SetLastError(g_fake->startDocFailure);
        return SP_ERROR;
    }
    return 1;
}

int WINAPI FakeAbortDoc(HDC dc)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? "AbortDoc" : "AbortDoc elsewhere");
    return 1;
}

int WINAPI FakeStartPage(HDC dc)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? "StartPage" : "StartPage elsewhere");
    return 1;
}

int WINAPI FakeEndPage(HDC dc)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? "EndPage" : "EndPage elsewhere");
    return 1;
}

int WINAPI FakeEndDoc(HDC dc)
{
    g_fake->events.push_back(dc == g_fake->printerDc ? "EndDoc" : "EndDoc elsewhere");
    return 1;
}

int WINAPI FakeSetStretchBltMode(HDC dc, int mode)
{
    g_fake->events.push_back("SetStretchBltMode");
    return SetStretchBltMode(dc, mode);
}

BOOL WINAPI FakeStretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                           int sourceWidth, int sourceHeight, DWORD rop)
{
    const bool expectedPair = target == g_fake->printerDc && source == g_fake->memoryDc;
    g_fake->events.push_back(expectedPair ? "StretchBlt" : "StretchBlt elsewhere");
    g_fake->blits.push_back({x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, rop});
    return StretchBlt(target, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop);
}

BOOL WINAPI FakeDeleteDC(HDC dc)
{
    if (dc == g_fake->printerDc)
        g_fake->events.push_back("delete printer");
    else if (dc == g_fake->memoryDc)
        g_fake->events.push_back("delete memory");
    else
        g_fake->events.push_back("delete other");
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
        Patch("gdi32.dll", "CreateCompatibleDC", &FakeCreateCompatibleDC);
        Patch("gdi32.dll", "SelectObject", &FakeSelectObject);
        Patch("gdi32.dll", "GetObjectW", &FakeGetObjectW);
        Patch("gdi32.dll", "GetDeviceCaps", &FakeGetDeviceCaps);
        Patch("gdi32.dll", "StartDocW", &FakeStartDocW);
        Patch("gdi32.dll", "StartPage", &FakeStartPage);
        Patch("gdi32.dll", "EndPage", &FakeEndPage);
        Patch("gdi32.dll", "EndDoc", &FakeEndDoc);
        Patch("gdi32.dll", "AbortDoc", &FakeAbortDoc);
        Patch("gdi32.dll", "SetStretchBltMode", &FakeSetStretchBltMode);
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

    // The print run of one page, from the job's start to the releases. The
    // picture is held by the memory context for the blit alone.
    const std::vector<std::string> kPrintedPage = {"StartDocW",  "StartPage",     "select bitmap",
                                                   "StretchBlt", "select bitmap", "EndPage",
                                                   "EndDoc",     "delete memory", "delete printer"};

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
}

}  // namespace

TEST_F(Printing, NamedPrinterGetsOnePageBetweenTheMargins)
{
    HWND viewer = OpenViewer(400, 300);
    const PrintMargins margins = {30, 30, 30, 30};
    EXPECT_EQ(Print(viewer, L"Office Laser", &margins), 0);

    ASSERT_EQ(fake.createDcCalls.size(), 1u);
    EXPECT_EQ(fake.createDcCalls[0].driver, L"WINSPOOL");
    EXPECT_EQ(fake.createDcCalls[0].device, L"Office Laser");
    EXPECT_TRUE(fake.createDcCalls[0].portIsNull);
    EXPECT_TRUE(fake.createDcCalls[0].deviceModeIsNull);
    EXPECT_TRUE(fake.defaultPrinterCalls.empty());
    EXPECT_EQ(fake.deviceCapsAsked, std::vector<int>{PHYSICALWIDTH});

    ASSERT_EQ(fake.jobs.size(), 1u);
    EXPECT_EQ(fake.jobs[0].size, 40);
    EXPECT_EQ(fake.jobs[0].name, L"bracket.SLDPRT");
    EXPECT_TRUE(fake.jobs[0].outputIsNull);
    EXPECT_TRUE(fake.jobs[0].dataTypeIsNull);
    EXPECT_EQ(fake.jobs[0].flags, 0u);

    ASSERT_EQ(fake.blits.size(), 1u);
    ExpectBlit(fake.blits[0], 30, 30, 436, 327, 400, 300);
    // No stretch mode of our own on the printer; everything made is released.
    EXPECT_EQ(fake.events, kPrintedPage);
    Close(viewer);
}

TEST_F(Printing, GeometryFollowsThePageWidthAndTheMarginsGiven)
{
    HWND viewer = OpenViewer(400, 300);
    fake.physicalWidth = 4960;
    EXPECT_EQ(Print(viewer, L"p", nullptr), 0);
    // The bottom margin and the print flags change nothing.
    const PrintMargins unusual = {10, 70, 50, 9999};
    EXPECT_EQ(printW(viewer, L"C:\\docs\\bracket.SLDPRT", L"p", 0x7FFF, &unusual), 0);
    // PrintMargins that use up the page still start and end a job.
    const PrintMargins wide = {2500, 0, 2460, 0};
    EXPECT_EQ(Print(viewer, L"p", &wide), 0);
    ASSERT_EQ(fake.blits.size(), 3u);
    ExpectBlit(fake.blits[0], 0, 0, 4960, 3720, 400, 300);
    ExpectBlit(fake.blits[1], 10, 70, 4900, 3675, 400, 300);
    ExpectBlit(fake.blits[2], 2500, 0, 0, 0, 400, 300);
    EXPECT_EQ(fake.jobs.size(), 3u);
    Close(viewer);

    // 35 / (7 / 3) in double precision lies just below 15.
    viewer = OpenViewer(7, 3);
    fake.physicalWidth = 35;
    fake.blits.clear();
    EXPECT_EQ(Print(viewer, L"p", nullptr), 0);
    ASSERT_EQ(fake.blits.size(), 1u);
    ExpectBlit(fake.blits[0], 0, 0, 35, 14, 7, 3);
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

TEST_F(Printing, EmptyPrinterNameIsANameNotARequestForTheDefault)
{
    HWND viewer = OpenViewer(40, 30);
    EXPECT_EQ(Print(viewer, L"", nullptr), 0);
    EXPECT_TRUE(fake.defaultPrinterCalls.empty());
    ASSERT_EQ(fake.createDcCalls.size(), 1u);
    EXPECT_EQ(fake.createDcCalls[0].device, L"");
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
    fake.memoryDcFails = true;
    EXPECT_EQ(Print(viewer, L"p", nullptr), 1);
    EXPECT_EQ(fake.events, std::vector<std::string>{"delete printer"});

    fake.memoryDcFails = false;
    fake.descriptionFails = true;
    fake.events.clear();
    EXPECT_EQ(Print(viewer, L"p", nullptr), 1);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"delete memory", "delete printer"}));
    EXPECT_TRUE(fake.jobs.empty());
    EXPECT_TRUE(plugin.Boxes().empty());
    Close(viewer);
}

// No job means no page, and a picture that cannot be selected once the page
// exists (deleted while the spooler's dialog was up) abandons the job: none
// of them draws anything or counts as printed. A refusal is reported with
// Debug on; the user's own cancel never is.
TEST_F(Printing, JobThatDoesNotStartOrCannotBeDrawnPrintsNothingAndFails)
{
    HWND viewer = OpenViewer(40, 30);
    SetDebug(1);
    struct Case {
        const char* what;
        DWORD startDocFailure;
        bool selectionFails;
        std::vector<std::string> events;
        std::wstring box;
    };
    const Case cases[] = {
        {"refused",
         ERROR_ACCESS_DENIED,
         false,
         {"StartDocW", "delete memory", "delete printer"},
         L"StartDocW failed with error 5: " + SystemText(ERROR_ACCESS_DENIED)},
        {"cancelled", ERROR_CANCELLED, false, {"StartDocW", "delete memory", "delete printer"}, L""},
        {"picture gone", 0, true, {"StartDocW", "StartPage", "AbortDoc", "delete memory", "delete printer"}, L""},
    };
    for (const Case& test : cases) {
        fake.startDocFailure = test.startDocFailure;
        fake.selectionFails = test.selectionFails;
        fake.events.clear();
        plugin.ClearBoxes();
        EXPECT_EQ(Print(viewer, L"p", nullptr), 1) << test.what;
        EXPECT_EQ(fake.events, test.events) << test.what;
        EXPECT_TRUE(fake.blits.empty()) << test.what;
        std::vector<std::wstring> boxes;
        for (const RecordedBox& box : plugin.Boxes())
            boxes.push_back(box.text);
        EXPECT_EQ(boxes, test.box.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{test.box})
            << test.what;
    }
    Close(viewer);
}

TEST_F(Printing, PictureAndViewerAreUnchangedByPrinting)
{
    const IndexedPicture picture = QuadrantPicture(120, 90);
    HWND viewer = LoadPicture(picture, 0);
    const Screenshot before = Capture(viewer);
    EXPECT_EQ(Print(viewer, L"p", nullptr), 0);
    const Screenshot after = Capture(viewer);
    EXPECT_EQ(before.pixels, after.pixels);
    // The viewer can still copy its picture: it was given back by the memory context.
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ExpectPixelsEqual(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), picture);
    CloseClipboard();
    Close(viewer);
}
