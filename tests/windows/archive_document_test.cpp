// Documents saved by current CAD versions: the newer archive container,
// through the plugin's exports, as the file manager uses them.
#include "archive_document.h"
#include "base/version.h"
#include "viewer_host.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

namespace {

// What the plugin asks of the heap and of the file, counted at its imports.
std::size_t g_largestAllocation = 0;
std::uint64_t g_bytesRead = 0;

void* __cdecl RecordMalloc(std::size_t size)
{
    g_largestAllocation = std::max(g_largestAllocation, size);
    return std::malloc(size);
}

void* __cdecl RecordRealloc(void* memory, std::size_t size)
{
    g_largestAllocation = std::max(g_largestAllocation, size);
    return std::realloc(memory, size);
}

BOOL WINAPI CountReadFile(HANDLE file, void* buffer, DWORD length, DWORD* done, OVERLAPPED* overlapped)
{
    const BOOL result = ReadFile(file, buffer, length, done, overlapped);
    if (result && done != nullptr)
        g_bytesRead += *done;
    return result;
}

class ArchiveDocuments : public ViewerTest {
protected:
    std::wstring ArchivePath(const ArchiveImage& image, const std::wstring& name = L"part.SLDPRT")
    {
        const std::wstring path = folder.File(name);
        WriteArchiveFile(path, image);
        return path;
    }

    void ExpectOneMissingPreviewBox()
    {
        ASSERT_EQ(plugin.Boxes().size(), 1u);
        const DWORD code = static_cast<DWORD>(STG_E_FILENOTFOUND);
        EXPECT_EQ(plugin.Boxes()[0].text,
                  L"ReadPreviewRecord failed with error 80030002: " + ShownSystemText(code, L"Preview"));
        EXPECT_EQ(plugin.Boxes()[0].title, L"Corvelle " CORVELLE_VERSION);
        plugin.ClearBoxes();
    }

    const IndexedPicture picture = MakeBlockPicture(150, 110, 10);
};

}  // namespace

TEST_F(ArchiveDocuments, ThumbnailViewerAndClipboardShowThePictureAsACompoundFileDoes)
{
    const std::wstring archive = ArchivePath(ArchiveDocument(Rle8Block(picture)));
    HBITMAP read = Read(archive);
    ExpectPixelsEqual(read, picture);
    DeleteObject(read);
    EXPECT_TRUE(CanOpenForWriting(archive));

    HWND viewer = Load(archive, 0);
    ASSERT_NE(viewer, nullptr);
    const Screenshot shot = Capture(viewer);
    EXPECT_EQ(shot.At(0, 0), picture.ColourAt(0, 0));
    EXPECT_EQ(shot.At(149, 109), picture.ColourAt(149, 109));
    EXPECT_EQ(shot.At(150, 110), kBackgroundPixel);
    EXPECT_EQ(sendCommand(viewer, kCommandCopy, 0), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ExpectPixelsEqual(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), picture);
    CloseClipboard();

    // A reload from a compound file to the archive and back.
    const std::wstring compound = PictureDocument(QuadrantPicture(40, 30), L"old.SLDPRT");
    EXPECT_EQ(loadNextW(host, viewer, compound.c_str(), 0), 0);
    EXPECT_EQ(loadNextW(host, viewer, archive.c_str(), 0), 0);
    EXPECT_EQ(Capture(viewer).At(149, 109), picture.ColourAt(149, 109));
    Close(viewer);
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(ArchiveDocuments, WithoutAUsablePreviewOneBoxSaysWhatIsMissing)
{
    WriteSettings("Debug=1");
    ArchiveBuilder withoutPreview;
    withoutPreview.AddRecord("Header2", std::vector<unsigned char>(300, 1));
    withoutPreview.AddDecoyRecord("Preview", 400, 5000, 3);
    RecordDamage wrongCrc;
    wrongCrc.crcXor = 0x10;
    std::vector<unsigned char> twoPlanes = Rle8Block(picture);
    twoPlanes[12] = 2;  // biPlanes
    const std::wstring documents[] = {
        ArchivePath(withoutPreview.Finish(), L"none.SLDPRT"),
        ArchivePath(ArchiveDocument(Rle8Block(picture), 0, wrongCrc), L"crc.SLDPRT"),
        ArchivePath(ArchiveDocument(twoPlanes), L"planes.SLDPRT"),
    };
    for (const std::wstring& document : documents) {
        EXPECT_EQ(Read(document), nullptr);
        ExpectOneMissingPreviewBox();
        EXPECT_EQ(Load(document, 0), nullptr);
        ExpectOneMissingPreviewBox();
        EXPECT_TRUE(CanOpenForWriting(document));
    }
    WriteSettings("Debug=0");
    for (const std::wstring& document : documents)
        EXPECT_EQ(Read(document), nullptr);
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(ArchiveDocuments, ForgedInflatedSizeCostsNoLargeAllocation)
{
    ImportPatch mallocPatch(plugin.Module(), "msvcrt.dll", "malloc", reinterpret_cast<const void*>(&RecordMalloc));
    ImportPatch reallocPatch(plugin.Module(), "msvcrt.dll", "realloc", reinterpret_cast<const void*>(&RecordRealloc));
    ASSERT_TRUE(mallocPatch.Applied() && reallocPatch.Applied());
    const std::vector<unsigned char> block = Rle8Block(picture);
    RecordDamage forged;
    forged.inflatedSizeChange = (std::int64_t{200} << 20) - static_cast<std::int64_t>(block.size());
    const std::wstring document = ArchivePath(ArchiveDocument(block, 0, forged));
    g_largestAllocation = 0;
    EXPECT_EQ(Read(document), nullptr);
    EXPECT_GT(g_largestAllocation, 0u);
    EXPECT_LE(g_largestAllocation, std::size_t{2} << 20);
}

TEST_F(ArchiveDocuments, LargeDocumentCostsTheRecordAndLittleMore)
{
    ImportPatch readPatch(plugin.Module(), "kernel32.dll", "ReadFile", reinterpret_cast<const void*>(&CountReadFile));
    ASSERT_TRUE(readPatch.Applied());
    const std::vector<unsigned char> block = Rle8Block(picture);
    const std::wstring document = ArchivePath(ArchiveDocument(block, std::uint64_t{500} << 20), L"big.SLDASM");
    g_bytesRead = 0;
    HBITMAP read = Read(document);
    ExpectPixelsEqual(read, picture);
    DeleteObject(read);
    const std::uint64_t record = Deflate(PreviewContent(block)).size() + 30 + 7;
    EXPECT_LE(g_bytesRead, record + (1u << 20));
    EXPECT_TRUE(CanOpenForWriting(document));
}

// A drawing whose sheet-names record holds 200 MiB of zeros (about 200 KB
// in the file) is shown by the viewer, the only reader of sheet names, as
// if the record were not there: its picture, no tabs, and no allocation
// much beyond what the picture itself needs.
TEST_F(ArchiveDocuments, HugeSheetNamesRecordLeavesThePictureShownAtItsOwnCost)
{
    const IndexedPicture drawing = MakeBlockPicture(1420, 716, 40);
    const std::vector<unsigned char> record = PreviewContent(Rle8Block(drawing));
    ArchiveBuilder builder;
    builder.AddRecord("Header2", std::vector<unsigned char>(300, 7));
    builder.AddDeflatedZeroRecord("SheetPreviews/SheetNames", 200u << 20);
    builder.AddRecord("Preview", record);
    builder.AddRecord("docProps/core.xml", std::vector<unsigned char>(500, '<'));
    const std::wstring document = ArchivePath(builder.Finish(), L"plan.SLDDRW");

    ImportPatch mallocPatch(plugin.Module(), "msvcrt.dll", "malloc", reinterpret_cast<const void*>(&RecordMalloc));
    ImportPatch reallocPatch(plugin.Module(), "msvcrt.dll", "realloc", reinterpret_cast<const void*>(&RecordRealloc));
    ASSERT_TRUE(mallocPatch.Applied() && reallocPatch.Applied());
    g_largestAllocation = 0;
    HWND viewer = Load(document, 0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_LE(g_largestAllocation, record.size() + (1u << 20))
        << "the picture's record is " << record.size() << " bytes";
    const Screenshot shot = Capture(viewer);
    for (const POINT at : {POINT{0, 0}, POINT{233, 151}, POINT{369, 269}})
        EXPECT_EQ(shot.At(at.x, at.y), drawing.ColourAt(at.x, at.y)) << "at (" << at.x << ", " << at.y << ")";
    EXPECT_EQ(Tabs(viewer), nullptr);
    Close(viewer);
    EXPECT_TRUE(plugin.Boxes().empty());
}

namespace {

// The CAD program saving the document while the plugin reads it: at the
// plugin's first read, it writes into the file through its own handle and
// renames it.
struct Saver {
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring from;
    std::wstring to;
    bool saved = false;
    DWORD failure = 0;
};
Saver* g_saver = nullptr;

BOOL WINAPI SaveDuringRead(HANDLE file, void* buffer, DWORD length, DWORD* done, OVERLAPPED* overlapped)
{
    if (g_saver != nullptr && !g_saver->saved && g_saver->failure == 0) {
        const unsigned char lead[8] = {'C', 'V', 'L', 'A', 0x08, 0x00, 0x00, 0x00};
        DWORD written = 0;
        if (!WriteFile(g_saver->file, lead, sizeof lead, &written, nullptr) || written != sizeof lead ||
            !FlushFileBuffers(g_saver->file) || !MoveFileExW(g_saver->from.c_str(), g_saver->to.c_str(), 0))
            g_saver->failure = GetLastError();
        else
            g_saver->saved = true;
    }
    return ReadFile(file, buffer, length, done, overlapped);
}

}  // namespace

// A document held open for writing by the program saving it, as it is
// written and renamed meanwhile: the plugin still makes its thumbnail and
// stands in the way of neither.
TEST_F(ArchiveDocuments, DocumentBeingSavedIsReadWithoutStandingInTheWay)
{
    const std::wstring path = ArchivePath(ArchiveDocument(Rle8Block(picture)));
    Saver saver;
    saver.from = path;
    saver.to = folder.File(L"part-saved.SLDPRT");
    saver.file = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(saver.file, INVALID_HANDLE_VALUE) << GetLastError();
    ImportPatch patch(plugin.Module(), "kernel32.dll", "ReadFile", reinterpret_cast<const void*>(&SaveDuringRead));
    ASSERT_TRUE(patch.Applied());
    g_saver = &saver;
    HBITMAP thumbnail = Read(path);
    g_saver = nullptr;
    CloseHandle(saver.file);
    ExpectPixelsEqual(thumbnail, picture);
    DeleteObject(thumbnail);
    EXPECT_TRUE(saver.saved) << "the save failed with error " << saver.failure;
    EXPECT_TRUE(FileExists(saver.to));
}
