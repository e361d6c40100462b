// Thousands of load, reload, paint, copy, print, close and thumbnail cycles:
// every graphics object, device context, heap block and storage that the
// plugin takes is given back, counted at its import table, and the process
// does not grow.
#include "drawing_fixture.h"
#include "viewer_host.h"

#include <psapi.h>

#include <set>

namespace {

// What the plugin holds right now, as its imports show it.
struct Ledger {
    std::set<HGDIOBJ> objects;  // bitmaps and brushes it made
    std::set<HDC> createdDcs;   // memory and printer contexts
    int windowDcs = 0;          // GetDC minus ReleaseDC
    long heapBlocks = 0;        // malloc/calloc minus free, from the patch on
    int storagesLeftOpen = 0;   // storages the plugin did not release
    int storagesOpened = 0;
};
Ledger g_ledger;

void* (*g_realMalloc)(size_t) = nullptr;
void* (*g_realCalloc)(size_t, size_t) = nullptr;
void* (*g_realRealloc)(void*, size_t) = nullptr;
void (*g_realFree)(void*) = nullptr;
std::set<void*>* g_blocks = nullptr;

template <typename Handle>
Handle Made(Handle handle)
{
    if (handle != nullptr)
        g_ledger.objects.insert(handle);
    return handle;
}

HBITMAP WINAPI LedgerCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                    const BITMAPINFO* info, UINT usage)
{
    return Made(CreateDIBitmap(dc, header, init, bits, info, usage));
}
HBITMAP WINAPI LedgerCreateCompatibleBitmap(HDC dc, int width, int height)
{
    return Made(CreateCompatibleBitmap(dc, width, height));
}
HBITMAP WINAPI LedgerCreateBitmapIndirect(const BITMAP* description)
{
    return Made(CreateBitmapIndirect(description));
}
HBRUSH WINAPI LedgerCreateSolidBrush(COLORREF colour)
{
    return Made(CreateSolidBrush(colour));
}
BOOL WINAPI LedgerDeleteObject(HGDIOBJ object)
{
    g_ledger.objects.erase(object);
    return DeleteObject(object);
}
HANDLE WINAPI LedgerSetClipboardData(UINT format, HANDLE data)
{
    HANDLE placed = SetClipboardData(format, data);
    if (placed != nullptr)
        g_ledger.objects.erase(data);  // the clipboard owns it now
    return placed;
}

HDC WINAPI LedgerCreateCompatibleDC(HDC dc)
{
    HDC made = CreateCompatibleDC(dc);
    if (made != nullptr)
        g_ledger.createdDcs.insert(made);
    return made;
}
// The printer is a memory context, so that no job reaches a spooler.
HDC WINAPI LedgerCreateDCW(const wchar_t*, const wchar_t*, const wchar_t*, const DEVMODEW*)
{
    return LedgerCreateCompatibleDC(nullptr);
}
BOOL WINAPI LedgerDeleteDC(HDC dc)
{
    g_ledger.createdDcs.erase(dc);
    return DeleteDC(dc);
}
HDC WINAPI LedgerGetDC(HWND window)
{
    HDC dc = GetDC(window);
    g_ledger.windowDcs += dc != nullptr;
    return dc;
}
int WINAPI LedgerReleaseDC(HWND window, HDC dc)
{
    const int released = ReleaseDC(window, dc);
    g_ledger.windowDcs -= released != 0;
    return released;
}
int WINAPI AcceptJob(HDC, const DOCINFOW*)
{
    return 1;
}
int WINAPI AcceptPage(HDC)
{
    return 1;
}
// A 300 dpi Letter page with quarter-inch borders.
int WINAPI LetterPage(HDC, int index)
{
    switch (index) {
    case PHYSICALWIDTH:
        return 2550;
    case PHYSICALHEIGHT:
        return 3300;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return 75;
    case HORZRES:
        return 2400;
    case VERTRES:
        return 3150;
    default:
        return 300;  // LOGPIXELSX, LOGPIXELSY
    }
}

// Each storage the plugin opens gets one extra reference of ours; when the
// operation is over, releasing ours must destroy it.
std::vector<IStorage*> g_storages;
HRESULT WINAPI LedgerStgOpenStorage(const wchar_t* name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                                    IStorage** opened)
{
    const HRESULT result = StgOpenStorage(name, priority, mode, exclude, reserved, opened);
    if (SUCCEEDED(result) && *opened != nullptr) {
        (*opened)->AddRef();
        g_storages.push_back(*opened);
        ++g_ledger.storagesOpened;
    }
    return result;
}
void SettleStorages()
{
    for (IStorage* storage : g_storages)
        g_ledger.storagesLeftOpen += storage->Release() != 0;
    g_storages.clear();
}

void* LedgerMalloc(size_t size)
{
    void* block = g_realMalloc(size);
    if (block != nullptr && g_blocks->insert(block).second)
        ++g_ledger.heapBlocks;
    return block;
}
void* LedgerCalloc(size_t count, size_t size)
{
    void* block = g_realCalloc(count, size);
    if (block != nullptr && g_blocks->insert(block).second)
        ++g_ledger.heapBlocks;
    return block;
}
void LedgerFree(void* block)
{
    if (block != nullptr && g_blocks->erase(block) != 0)
        --g_ledger.heapBlocks;
    g_realFree(block);
}
void* LedgerRealloc(void* block, size_t size)
{
    const bool ours = block != nullptr && g_blocks->erase(block) != 0;
    void* moved = g_realRealloc(block, size);
    if (moved == nullptr && ours)
        g_blocks->insert(block);  // the old block stays valid
    else if (moved != nullptr && !ours)
        g_ledger.heapBlocks += g_blocks->insert(moved).second ? 1 : 0;
    else if (moved != nullptr)
        g_blocks->insert(moved);
    return moved;
}

class Leaks : public ViewerTest {
protected:
    Leaks()
    {
        g_ledger = Ledger();
        g_blocks = new std::set<void*>();
        Patch("gdi32.dll", "CreateDIBitmap", &LedgerCreateDIBitmap);
        Patch("gdi32.dll", "CreateCompatibleBitmap", &LedgerCreateCompatibleBitmap);
        Patch("gdi32.dll", "CreateBitmapIndirect", &LedgerCreateBitmapIndirect);
        Patch("gdi32.dll", "CreateSolidBrush", &LedgerCreateSolidBrush);
        Patch("gdi32.dll", "DeleteObject", &LedgerDeleteObject);
        Patch("gdi32.dll", "CreateCompatibleDC", &LedgerCreateCompatibleDC);
        Patch("gdi32.dll", "CreateDCW", &LedgerCreateDCW);
        Patch("gdi32.dll", "DeleteDC", &LedgerDeleteDC);
        Patch("gdi32.dll", "StartDocW", &AcceptJob);
        Patch("gdi32.dll", "StartPage", &AcceptPage);
        Patch("gdi32.dll", "EndPage", &AcceptPage);
        Patch("gdi32.dll", "EndDoc", &AcceptPage);
        Patch("gdi32.dll", "GetDeviceCaps", &LetterPage);
        Patch("user32.dll", "GetDC", &LedgerGetDC);
        Patch("user32.dll", "ReleaseDC", &LedgerReleaseDC);
        Patch("user32.dll", "SetClipboardData", &LedgerSetClipboardData);
        Patch("ole32.dll", "StgOpenStorage", &LedgerStgOpenStorage);
        Patch("msvcrt.dll", "malloc", &LedgerMalloc);
        Patch("msvcrt.dll", "calloc", &LedgerCalloc);
        Patch("msvcrt.dll", "realloc", &LedgerRealloc);
        Patch("msvcrt.dll", "free", &LedgerFree);
        for (const auto& patch : patches)
            EXPECT_TRUE(patch->Applied());
        g_realMalloc = patches[17]->Original<void* (*)(size_t)>();
        g_realCalloc = patches[18]->Original<void* (*)(size_t, size_t)>();
        g_realRealloc = patches[19]->Original<void* (*)(void*, size_t)>();
        g_realFree = patches[20]->Original<void (*)(void*)>();
    }
    ~Leaks() override
    {
        patches.clear();
        delete g_blocks;
        g_blocks = nullptr;
    }

    template <typename Function>
    void Patch(const char* dll, const char* name, Function* replacement)
    {
        patches.push_back(
            std::make_unique<ImportPatch>(plugin.Module(), dll, name, reinterpret_cast<const void*>(replacement)));
    }

    // One round of everything the host does with a document.
    void Cycle(int round, const std::wstring& small, const std::wstring& large, const std::wstring& broken)
    {
        static const auto printW = plugin.Export<ListPrintWFunction>("ListPrintW");
        HWND viewer = Load(round % 2 ? large : small, round % 3 == 0 ? kShowFlagFit : kShowFlagCenter);
        ASSERT_NE(viewer, nullptr);
        SettleStorages();
        loadNextW(host, viewer, large.c_str(), kShowFlagFit | kShowFlagFitLargerOnly | kShowFlagCenter);
        UpdateWindow(viewer);
        SendMessageW(viewer, WM_VSCROLL, SB_PAGEDOWN, 0);
        sendCommand(viewer, kCommandCopy, 0);
        sendCommand(viewer, kCommandNewParameters, round % 4 == 0 ? kShowFlagFit : 0);
        const PrintMargins margins = {200, 200, 200, 200};
        EXPECT_EQ(printW(viewer, small.c_str(), L"ledger printer", 0, round % 2 ? &margins : nullptr), 0);
        // A drawing's sheets, every fourth round (they are the slow part):
        // each one chosen is read, the one before let go.
        if (round % 4 == 0) {
            loadNextW(host, viewer, drawing.c_str(), 0);
            SendKeyWithCtrl(viewer, VK_NEXT);
            SendKeyWithCtrl(viewer, VK_PRIOR);
            SendKeyWithCtrl(viewer, VK_PRIOR);
            UpdateWindow(viewer);
            sendCommand(viewer, kCommandCopy, 0);
            // Its information panel, kept for the next document and closed
            // with the viewer.
            SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
            UpdateWindow(viewer);
        }
        loadNextW(host, viewer, broken.c_str(), 0);
        UpdateWindow(viewer);
        closeWindow(viewer);
        EXPECT_EQ(Load(broken, 0), nullptr);
        for (const std::wstring* document : {&small, &large}) {
            HBITMAP thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW")(
                document->c_str(), 64, 64, nullptr, 0);
            g_ledger.objects.erase(thumbnail);  // the host's now
            DeleteObject(thumbnail);
        }
        SettleStorages();
    }

    std::vector<std::unique_ptr<ImportPatch>> patches;
    std::wstring drawing;
};

}  // namespace

TEST_F(Leaks, ThousandsOfCyclesGiveEverythingBack)
{
    const std::wstring small = PictureDocument(QuadrantPicture(120, 90), L"small.SLDPRT");
    const std::wstring large = PictureDocument(QuadrantPicture(480, 360), L"large.SLDASM");
    const std::wstring broken = Document(Rle8Block(MakeBlockPicture(30, 20)), L"broken.SLDDRW");
    WriteFileBytes(broken, "not a compound file at all");
    drawing = folder.File(L"plan.SLDDRW");
    WriteDrawing(drawing, Container::Compound, ThreeSheetDrawing(QuadrantPicture(200, 120)));

    for (int round = 0; round < 100; ++round)
        Cycle(round, small, large, broken);
    const SIZE_T before = PrivateBytes();
    const long heapBefore = g_ledger.heapBlocks;
    for (int round = 0; round < 1000; ++round) {
        Cycle(round, small, large, broken);
        if (HasFatalFailure())
            return;
    }
    const SIZE_T after = PrivateBytes();

    EXPECT_TRUE(g_ledger.objects.empty()) << g_ledger.objects.size() << " graphics objects left";
    EXPECT_TRUE(g_ledger.createdDcs.empty()) << g_ledger.createdDcs.size() << " device contexts left";
    EXPECT_EQ(g_ledger.windowDcs, 0);
    EXPECT_EQ(g_ledger.heapBlocks, heapBefore);
    // Two loads and two thumbnails a cycle; a drawing, two of its sheets
    // and its information in 275 of them.
    EXPECT_EQ(g_ledger.storagesOpened, 1100 * 4 + 275 * 4);
    EXPECT_EQ(g_ledger.storagesLeftOpen, 0);
    // Every document can be written by another program at once.
    for (const std::wstring* document : {&small, &large}) {
        HANDLE file =
            CreateFileW(document->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    // 1000 cycles that each made and dropped about 1 MiB of bitmaps: growth
    // beyond allocator noise would be a leak.
    const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
    EXPECT_LT(growth, 1024 * 1024) << "private bytes " << before << " -> " << after;
}
