// The file manager makes thumbnails on worker threads while its viewer is open
// on the user-interface thread: four workers make 200 thumbnails each of both
// containers while this thread opens, reloads and closes viewers. Every
// thumbnail is right, and every object, handle and heap block that the plugin
// takes, on any thread, is given back (counted at its import table).
#include "archive_document.h"
#include "png_file.h"
#include "strict_floating_point.h"
#include "viewer_host.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

// What the plugin holds right now, from every thread.
struct SharedLedger {
    std::mutex lock;
    std::set<void*> objects;  // bitmaps, brushes, memory contexts, window contexts
    std::set<void*> blocks;   // heap blocks
    std::set<void*> files;    // file handles
};
SharedLedger* g_ledger = nullptr;

// Records what the plugin made, and hands it on.
template <typename Handle>
Handle Take(std::set<void*>& into, Handle made)
{
    std::lock_guard<std::mutex> guard(g_ledger->lock);
    if (made != nullptr && made != INVALID_HANDLE_VALUE)
        into.insert(made);
    return made;
}
void Give(std::set<void*>& from, void* released)
{
    std::lock_guard<std::mutex> guard(g_ledger->lock);
    from.erase(released);
}

HBITMAP WINAPI TakeDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                            const BITMAPINFO* info, UINT usage)
{
    return Take(g_ledger->objects, CreateDIBitmap(dc, header, init, bits, info, usage));
}
HBITMAP WINAPI TakeCompatibleBitmap(HDC dc, int width, int height)
{
    return Take(g_ledger->objects, CreateCompatibleBitmap(dc, width, height));
}
HBRUSH WINAPI TakeSolidBrush(COLORREF colour)
{
    return Take(g_ledger->objects, CreateSolidBrush(colour));
}
HDC WINAPI TakeCompatibleDC(HDC dc)
{
    return Take(g_ledger->objects, CreateCompatibleDC(dc));
}
HDC WINAPI TakeWindowDC(HWND window)
{
    return Take(g_ledger->objects, GetDC(window));
}
HANDLE WINAPI TakeFile(const wchar_t* name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD creation,
                       DWORD flags, HANDLE templateFile)
{
    return Take(g_ledger->files, CreateFileW(name, access, share, security, creation, flags, templateFile));
}
BOOL WINAPI GiveObject(HGDIOBJ object)
{
    Give(g_ledger->objects, object);
    return DeleteObject(object);
}
BOOL WINAPI GiveDC(HDC dc)
{
    Give(g_ledger->objects, dc);
    return DeleteDC(dc);
}
int WINAPI GiveWindowDC(HWND window, HDC dc)
{
    Give(g_ledger->objects, dc);
    return ReleaseDC(window, dc);
}
BOOL WINAPI GiveHandle(HANDLE handle)
{
    Give(g_ledger->files, handle);
    return CloseHandle(handle);
}

void* (*g_realMalloc)(size_t) = nullptr;
void* (*g_realCalloc)(size_t, size_t) = nullptr;
void* (*g_realRealloc)(void*, size_t) = nullptr;
void (*g_realFree)(void*) = nullptr;
void* TakeMalloc(size_t size)
{
    return Take(g_ledger->blocks, g_realMalloc(size));
}
void* TakeCalloc(size_t count, size_t size)
{
    return Take(g_ledger->blocks, g_realCalloc(count, size));
}
void* TakeRealloc(void* block, size_t size)
{
    std::lock_guard<std::mutex> guard(g_ledger->lock);
    const bool ours = block != nullptr && g_ledger->blocks.erase(block) != 0;
    void* moved = g_realRealloc(block, size);
    if (moved != nullptr)
        g_ledger->blocks.insert(moved);
    else if (ours)
        g_ledger->blocks.insert(block);  // the old block stays valid
    return moved;
}
void GiveBlock(void* block)
{
    if (block != nullptr)
        Give(g_ledger->blocks, block);
    g_realFree(block);
}

class Threads : public ViewerTest {
protected:
    Threads()
    {
        g_ledger = &ledger;
        Patch("gdi32.dll", "CreateDIBitmap", &TakeDIBitmap);
        Patch("gdi32.dll", "CreateCompatibleBitmap", &TakeCompatibleBitmap);
        Patch("gdi32.dll", "CreateSolidBrush", &TakeSolidBrush);
        Patch("gdi32.dll", "DeleteObject", &GiveObject);
        Patch("gdi32.dll", "CreateCompatibleDC", &TakeCompatibleDC);
        Patch("gdi32.dll", "DeleteDC", &GiveDC);
        Patch("user32.dll", "GetDC", &TakeWindowDC);
        Patch("user32.dll", "ReleaseDC", &GiveWindowDC);
        Patch("kernel32.dll", "CreateFileW", &TakeFile);
        Patch("kernel32.dll", "CloseHandle", &GiveHandle);
        g_realMalloc = Patch("msvcrt.dll", "malloc", &TakeMalloc)->Original<void* (*)(size_t)>();
        g_realCalloc = Patch("msvcrt.dll", "calloc", &TakeCalloc)->Original<void* (*)(size_t, size_t)>();
        g_realRealloc = Patch("msvcrt.dll", "realloc", &TakeRealloc)->Original<void* (*)(void*, size_t)>();
        g_realFree = Patch("msvcrt.dll", "free", &GiveBlock)->Original<void (*)(void*)>();
        for (const auto& patch : patches)
            EXPECT_TRUE(patch->Applied());
    }
    ~Threads() override
    {
        patches.clear();
        g_ledger = nullptr;
    }

    template <typename Function>
    ImportPatch* Patch(const char* dll, const char* name, Function* replacement)
    {
        patches.push_back(
            std::make_unique<ImportPatch>(plugin.Module(), dll, name, reinterpret_cast<const void*>(replacement)));
        return patches.back().get();
    }

    SharedLedger ledger;
    std::vector<std::unique_ptr<ImportPatch>> patches;
};

struct Sample {
    std::wstring path;
    IndexedPicture picture;
};

// Whether a thumbnail (smaller than the box, so at its own size) is the
// picture: its size and three pixels.
bool IsThePicture(HBITMAP bitmap, const IndexedPicture& picture)
{
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = ReadPixels(bitmap, &width, &height);
    if (width != picture.width || height != picture.height)
        return false;
    for (const POINT at : {POINT{0, 0}, POINT{width / 2, height / 3}, POINT{width - 1, height - 1}})
        if (pixels[static_cast<size_t>(at.y) * width + at.x] != picture.ColourAt(at.x, at.y))
            return false;
    return true;
}

}  // namespace

TEST_F(Threads, ThumbnailsOnFourWorkersWhileTheViewerWorks)
{
    constexpr int kWorkers = 4;
    constexpr int kThumbnailsEach = 200;
    const Sample compound = {folder.File(L"compound.SLDPRT"), MakeBlockPicture(80, 60, 7)};
    WriteDocument(compound.path, Rle8Block(compound.picture));
    const Sample archive = {folder.File(L"archive.SLDASM"), MakeBlockPicture(90, 50, 9)};
    WriteArchiveFile(archive.path, ArchiveDocument(Rle8Block(archive.picture)));
    const auto thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW");

    std::atomic<int> wrong{0};
    std::atomic<int> running{kWorkers};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker) {
        workers.emplace_back([&, worker] {
            UseStrictFloatingPoint();
            for (int i = 0; i < kThumbnailsEach; ++i) {
                const Sample& sample = (i + worker) % 2 == 0 ? compound : archive;
                HBITMAP bitmap = thumbnail(sample.path.c_str(), 96, 96, nullptr, 0);
                if (bitmap == nullptr || !IsThePicture(bitmap, sample.picture))
                    ++wrong;
                if (bitmap != nullptr)
                    GiveObject(bitmap);  // the host's to delete
            }
            --running;
        });
    }
    int viewerRounds = 0;
    while (running > 0 || viewerRounds < 20) {
        HWND viewer = Load(compound.path, viewerRounds % 2 == 0 ? 0 : kShowFlagFit);
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(loadNextW(host, viewer, archive.path.c_str(), kShowFlagCenter), 0);
        UpdateWindow(viewer);
        Close(viewer);
        ++viewerRounds;
    }
    for (std::thread& worker : workers)
        worker.join();

    EXPECT_EQ(wrong.load(), 0) << "of " << kWorkers * kThumbnailsEach << " thumbnails";
    EXPECT_TRUE(plugin.Boxes().empty());
    std::lock_guard<std::mutex> guard(ledger.lock);
    EXPECT_EQ(ledger.objects.size(), 0u) << "graphics objects and contexts left";
    EXPECT_EQ(ledger.files.size(), 0u) << "file handles left";
    EXPECT_EQ(ledger.blocks.size(), 0u) << "heap blocks left";
    EXPECT_GT(viewerRounds, 0);
}

namespace {

// Every settings file the plugin reads or writes, from every thread.
std::mutex g_settingsFilesLock;
std::set<std::wstring> g_settingsFiles;
void RecordSettingsFile(const wchar_t* file)
{
    std::lock_guard<std::mutex> guard(g_settingsFilesLock);
    g_settingsFiles.insert(file != nullptr ? file : L"(none)");
}
UINT WINAPI RecordSettingsRead(const wchar_t* section, const wchar_t* key, INT fallback, const wchar_t* file)
{
    RecordSettingsFile(file);
    return GetPrivateProfileIntW(section, key, fallback, file);
}
BOOL WINAPI RecordSettingsWrite(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file)
{
    RecordSettingsFile(file);
    return WritePrivateProfileStringW(section, key, value, file);
}

}  // namespace

// Another file manager calls ListSetDefaultParams each time it loads the
// module, also while its thumbnail threads run: no settings read may see
// the host's own file or a path in the making, and every thumbnail is the
// true-colour one that the plugin's own settings ask for.
TEST_F(ViewerTest, SettingsPathSetAgainWhileWorkersReadSettings)
{
    constexpr int kWorkers = 3;
    constexpr int kThumbnailsEach = 60;
    WriteSettings("TrueColor=1");
    const std::vector<unsigned char> png =
        EncodeRgbaPng(12, 7, std::vector<std::uint32_t>(12 * 7, 0xFF204080u));
    const IndexedPicture dib = MakeBlockPicture(30, 20, 3);
    const std::wstring path = folder.File(L"part.SLDPRT");
    WriteArchiveFile(path, ArchiveDocument(Rle8Block(dib), 0, {}, png));
    ImportPatch reads(plugin.Module(), "kernel32.dll", "GetPrivateProfileIntW",
                      reinterpret_cast<const void*>(&RecordSettingsRead));
    ImportPatch writes(plugin.Module(), "kernel32.dll", "WritePrivateProfileStringW",
                       reinterpret_cast<const void*>(&RecordSettingsWrite));
    ASSERT_TRUE(reads.Applied());
    g_settingsFiles.clear();
    const auto thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW");

    std::atomic<int> notTrueColor{0};
    std::atomic<int> running{kWorkers};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker) {
        workers.emplace_back([&] {
            UseStrictFloatingPoint();
            for (int i = 0; i < kThumbnailsEach; ++i) {
                HBITMAP bitmap = thumbnail(path.c_str(), 96, 96, nullptr, 0);
                BITMAP description = {};
                if (bitmap == nullptr || GetObjectW(bitmap, sizeof description, &description) == 0 ||
                    description.bmWidth != 12)
                    ++notTrueColor;
                DeleteObject(bitmap);
            }
            --running;
        });
    }
    int settings = 0;
    for (; running > 0; ++settings)
        plugin.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    for (std::thread& worker : workers)
        worker.join();

    EXPECT_EQ(notTrueColor.load(), 0) << "of " << kWorkers * kThumbnailsEach << " thumbnails";
    std::lock_guard<std::mutex> guard(g_settingsFilesLock);
    ASSERT_FALSE(g_settingsFiles.empty());
    for (const std::wstring& file : g_settingsFiles)
        EXPECT_EQ(file, folder.File(L"corvelle.ini")) << "while the settings path was set " << settings << " times";
}
