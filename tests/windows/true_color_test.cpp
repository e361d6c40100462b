// The document's true-colour "PreviewPNG", decoded by the platform and laid
// over the background, when TrueColor=1; the "Preview" DIB otherwise, and
// whenever the PNG cannot be used.
#include "archive_document.h"
#include "base/version.h"
#include "png_file.h"
#include "strict_floating_point.h"
#include "viewer_host.h"

#include <objbase.h>

#include <atomic>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr int kPngWidth = 8;
constexpr int kPngHeight = 4;
// Opacity of each row: opaque, transparent, about half, about a quarter.
constexpr std::uint32_t kRowAlpha[kPngHeight] = {255, 0, 128, 64};

// 0xAARRGGBB, straight alpha.
std::uint32_t PngPixel(int x, int y)
{
    const std::uint32_t red = 10 + 30 * x;
    const std::uint32_t green = 200 - 20 * x;
    const std::uint32_t blue = (50 * x + 7 * y) % 256;
    return kRowAlpha[y] << 24 | red << 16 | green << 8 | blue;
}

std::vector<std::uint32_t> PngPixels()
{
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < kPngHeight; ++y)
        for (int x = 0; x < kPngWidth; ++x)
            pixels.push_back(PngPixel(x, y));
    return pixels;
}

// The exact composite of a pixel over a background given as 0x00RRGGBB.
double ExactChannel(std::uint32_t pixel, std::uint32_t background, int shift)
{
    const double alpha = (pixel >> 24) / 255.0;
    return ((pixel >> shift) & 0xFF) * alpha + ((background >> shift) & 0xFF) * (1 - alpha);
}

class TrueColor : public ViewerTest {
protected:
    TrueColor() { WriteSettings("TrueColor=1"); }

    // A document of either container holding a DIB and a PNG of different sizes,
    // so that the size tells which one was shown.
    std::wstring CompoundDocument(const std::vector<unsigned char>& png, bool withDib = true,
                                  const std::wstring& name = L"part.SLDPRT")
    {
        std::vector<StreamContent> streams;
        if (withDib)
            streams.push_back({L"Preview", PreviewStreamBytes(Rle8Block(dib))});
        if (!png.empty())
            streams.push_back({L"PreviewPNG", png});
        const std::wstring path = folder.File(name);
        WriteCompoundFile(path, streams);
        return path;
    }

    std::wstring ArchiveDocumentWith(const std::vector<unsigned char>& png, bool withDib = true,
                                     const std::wstring& name = L"part-archive.SLDPRT")
    {
        ArchiveBuilder builder;
        builder.AddRecord("Header2", std::vector<unsigned char>(300, 7));
        if (withDib)
            builder.AddRecord("Preview", PreviewContent(Rle8Block(dib)));
        if (!png.empty())
            builder.AddRecord("PreviewPNG", png);
        const std::wstring path = folder.File(name);
        WriteArchiveFile(path, builder.Finish());
        return path;
    }

    // The picture's pixels within 2 of the exact composite over background
    // (0x00RRGGBB), starting at the top-left of what is given.
    void ExpectComposite(const std::vector<std::uint32_t>& pixels, int width, std::uint32_t background,
                         const std::string& what)
    {
        int mismatches = 0;
        for (int y = 0; y < kPngHeight; ++y) {
            for (int x = 0; x < kPngWidth; ++x) {
                const std::uint32_t shown = pixels[static_cast<size_t>(y) * width + x];
                for (int shift : {16, 8, 0}) {
                    const double expected = ExactChannel(PngPixel(x, y), background, shift);
                    const int actual = static_cast<int>((shown >> shift) & 0xFF);
                    if (std::abs(actual - expected) > 2 && mismatches++ < 5)
                        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") channel at bit " << shift << " is "
                                      << actual << ", expected " << expected;
                }
            }
        }
    }

    // A thumbnail at its own size: the PNG's size and composite pixels.
    void ExpectTrueColorThumbnail(const std::wstring& path, std::uint32_t background, const std::string& what)
    {
        HBITMAP bitmap = Read(path);
        ASSERT_NE(bitmap, nullptr) << what;
        int width = 0;
        int height = 0;
        const std::vector<std::uint32_t> pixels = ReadPixels(bitmap, &width, &height);
        DeleteObject(bitmap);
        ASSERT_EQ(width, kPngWidth) << what;
        ASSERT_EQ(height, kPngHeight) << what;
        ExpectComposite(pixels, width, background, what);
    }

    // The DIB preview, as the reader shows it without a true-colour picture.
    void ExpectDibThumbnail(const std::wstring& path, const std::string& what)
    {
        HBITMAP bitmap = Read(path);
        SCOPED_TRACE(what);
        ExpectPixelsEqual(bitmap, dib);
        DeleteObject(bitmap);
    }

    const IndexedPicture dib = MakeBlockPicture(20, 10, 5);
    const std::vector<unsigned char> png = EncodeRgbaPng(kPngWidth, kPngHeight, PngPixels());
};

// Cut short after its header: the decoder fails on it.
std::vector<unsigned char> Damaged(std::vector<unsigned char> png)
{
    png.resize(png.size() / 2);
    return png;
}

// A header announcing 20000 x 20000 pixels.
std::vector<unsigned char> Oversized(std::vector<unsigned char> png)
{
    for (int at : {16, 20}) {
        png[at] = 0;
        png[at + 1] = 0;
        png[at + 2] = 0x4E;
        png[at + 3] = 0x20;
    }
    return png;
}

}  // namespace

TEST_F(TrueColor, PngIsCompositedOverTheBackgroundInThumbnailsAndTheViewer)
{
    ASSERT_FALSE(png.empty());
    struct Background {
        const char* setting;
        std::uint32_t pixel;
    };
    for (const Background& background :
         {Background{"", 0xFFFFFF}, Background{"\r\nBackColor=5649426", kBackgroundPixel}}) {
        WriteSettings(std::string("TrueColor=1") + background.setting);
        for (const std::wstring& path : {CompoundDocument(png), ArchiveDocumentWith(png)}) {
            const std::string what = ToAnsi(path) + " over " + std::to_string(background.pixel);
            ExpectTrueColorThumbnail(path, background.pixel, what);
            HWND viewer = Load(path, 0);
            ASSERT_NE(viewer, nullptr) << what;
            const Screenshot shot = Capture(viewer);
            ExpectComposite(shot.pixels, shot.width, background.pixel, what + " in the viewer");
            EXPECT_EQ(shot.At(kPngWidth, 0), background.pixel) << what;
            Close(viewer);
        }
    }
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(TrueColor, OnlyTheValueOneShowsThePng)
{
    const std::wstring compound = CompoundDocument(png);
    const std::wstring archive = ArchiveDocumentWith(png);
    for (const char* setting : {"", "TrueColor=0", "TrueColor=2", "TrueColor=-1"}) {
        WriteSettings(setting);
        ExpectDibThumbnail(compound, std::string("compound, ") + setting);
        ExpectDibThumbnail(archive, std::string("archive, ") + setting);
    }
}

TEST_F(TrueColor, UnusablePngFallsBackToTheDibWithoutABox)
{
    WriteSettings("TrueColor=1\r\nDebug=1");
    struct Case {
        const char* what;
        std::vector<unsigned char> png;
    };
    for (const Case& test : {Case{"missing", {}}, Case{"damaged", Damaged(png)}, Case{"oversized", Oversized(png)},
                             Case{"not a PNG", std::vector<unsigned char>(500, 0x42)}}) {
        ExpectDibThumbnail(CompoundDocument(test.png), std::string("compound, ") + test.what);
        ExpectDibThumbnail(ArchiveDocumentWith(test.png), std::string("archive, ") + test.what);
        EXPECT_TRUE(plugin.Boxes().empty()) << test.what;
        plugin.ClearBoxes();
    }
}

TEST_F(TrueColor, WhenBothPicturesFailOnlyThePreviewBoxIsShown)
{
    WriteSettings("TrueColor=1\r\nDebug=1");
    const DWORD code = static_cast<DWORD>(STG_E_FILENOTFOUND);
    EXPECT_EQ(Read(CompoundDocument(Damaged(png), false)), nullptr);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text,
              L"LPSTORAGE::OpenStream failed with error 80030002: " + ShownSystemText(code, L"Preview"));
    plugin.ClearBoxes();

    EXPECT_EQ(Read(ArchiveDocumentWith(Damaged(png), false)), nullptr);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text,
              L"ReadPreviewRecord failed with error 80030002: " + ShownSystemText(code, L"Preview"));
}

// The file manager may ask for thumbnails on a worker thread of its own,
// whose COM apartment (if any) the plugin must leave as it found it.
TEST_F(TrueColor, CallingThreadsApartmentIsLeftAsItWas)
{
    const std::wstring path = ArchiveDocumentWith(png);
    struct Case {
        const char* what;
        DWORD apartment;  // what the thread joins before the call; ~0u for none
    };
    for (const Case& test : {Case{"no apartment", ~0u}, Case{"single-threaded", COINIT_APARTMENTTHREADED},
                             Case{"multithreaded", COINIT_MULTITHREADED}}) {
        std::uint32_t width = 0;
        HRESULT afterwards = E_FAIL;
        std::thread worker([&] {
            UseStrictFloatingPoint();
            if (test.apartment != ~0u)
                CoInitializeEx(nullptr, test.apartment);
            HBITMAP bitmap = Read(path);
            BITMAP description = {};
            GetObjectW(bitmap, sizeof description, &description);
            width = static_cast<std::uint32_t>(description.bmWidth);
            DeleteObject(bitmap);
            // Joining the same apartment again says S_FALSE when the thread is
            // still in it; S_OK when it was in none.
            const DWORD probe = test.apartment != ~0u ? test.apartment : static_cast<DWORD>(COINIT_MULTITHREADED);
            afterwards = CoInitializeEx(nullptr, probe);
            CoUninitialize();
            if (test.apartment != ~0u)
                CoUninitialize();
        });
        worker.join();
        EXPECT_EQ(width, static_cast<std::uint32_t>(kPngWidth)) << test.what;
        EXPECT_EQ(afterwards, test.apartment != ~0u ? S_FALSE : S_OK) << test.what;
    }
}

// The viewer keeps the colour it read when it opened and paints its box
// with it; a reload after BackColor changed lays the picture over that same
// colour, not over the new setting.
TEST_F(TrueColor, ReloadLaysThePngOverTheViewersOwnBackground)
{
    WriteSettings("TrueColor=1\r\nBackColor=" + std::to_string(kBackColorSetting));
    for (const std::wstring& path : {CompoundDocument(png), ArchiveDocumentWith(png)}) {
        const std::string what = ToAnsi(path);
        WriteSettings("TrueColor=1\r\nBackColor=" + std::to_string(kBackColorSetting));
        HWND viewer = Load(path, 0);
        ASSERT_NE(viewer, nullptr) << what;
        WriteSettings("TrueColor=1\r\nBackColor=255");  // red, for viewers opened from now on
        ASSERT_EQ(loadNextW(host, viewer, path.c_str(), 0), 0) << what;
        const Screenshot shot = Capture(viewer);
        EXPECT_EQ(shot.At(kPngWidth, 0), kBackgroundPixel) << what;
        ExpectComposite(shot.pixels, shot.width, kBackgroundPixel, what + " after the reload");
        Close(viewer);
    }
}

namespace {

// The largest block the plugin asks malloc for, at its import table.
std::atomic<std::size_t> g_largestBlock{0};
void* (*g_plainMalloc)(std::size_t) = nullptr;
void* RecordLargestBlock(std::size_t size)
{
    std::size_t seen = g_largestBlock.load();
    while (size > seen && !g_largestBlock.compare_exchange_weak(seen, size)) {
    }
    return g_plainMalloc(size);
}

}  // namespace

// A compound document of a few kilobytes whose "PreviewPNG" entry claims
// 200 MiB: the stream's header is read and checked first, and a size larger
// than the whole document is refused before anything of it is allocated.
TEST_F(TrueColor, ForgedPngStreamSizeIsRefusedBeforeItIsAllocated)
{
    std::vector<unsigned char> padded = png;
    padded.resize(png.size() + 8192, 0);  // past the small-stream limit: only the size is forged
    const std::wstring path = CompoundDocument(padded);
    ASSERT_TRUE(ForgeStreamSize(path, L"PreviewPNG", 200u << 20));
    ImportPatch patch(plugin.Module(), "msvcrt.dll", "malloc", reinterpret_cast<const void*>(&RecordLargestBlock));
    ASSERT_TRUE(patch.Applied());
    g_plainMalloc = patch.Original<void* (*)(std::size_t)>();
    g_largestBlock = 0;
    ExpectDibThumbnail(path, "forged PreviewPNG size");
    EXPECT_LT(g_largestBlock.load(), std::size_t{1} << 20) << "the reader asked malloc for " << g_largestBlock.load()
                                                          << " bytes";
}

namespace {

// The process's private bytes when the plugin makes its screen bitmap.
std::size_t g_privateBytesAtScreenBitmap = 0;
HBITMAP WINAPI SampleBeforeScreenBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                        const BITMAPINFO* info, UINT usage)
{
    g_privateBytesAtScreenBitmap = PrivateBytes();
    return CreateDIBitmap(dc, header, init, bits, info, usage);
}

}  // namespace

// When the screen bitmap is made, the decoded pixels are the one copy of the
// picture alive: the imaging component's frame and converter are gone.
TEST_F(TrueColor, OnlyOneDecodedCopyIsAliveWhenTheScreenBitmapIsMade)
{
    constexpr int kSide = 4096;
    constexpr std::size_t kDecodedBytes = std::size_t{kSide} * kSide * 4;
    const std::vector<unsigned char> large =
        EncodeRgbaPng(kSide, kSide, std::vector<std::uint32_t>(std::size_t{kSide} * kSide, 0xFF3366CCu));
    ASSERT_FALSE(large.empty());
    const std::wstring path = ArchiveDocumentWith(large);
    ImportPatch patch(plugin.Module(), "gdi32.dll", "CreateDIBitmap",
                      reinterpret_cast<const void*>(&SampleBeforeScreenBitmap));
    ASSERT_TRUE(patch.Applied());
    const std::size_t before = PrivateBytes();
    HBITMAP bitmap = Read(path);
    ASSERT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    const std::size_t held = g_privateBytesAtScreenBitmap - before;
    EXPECT_LT(held, kDecodedBytes + kDecodedBytes / 4)
        << held << " private bytes held when the screen bitmap is made; one decoded copy is " << kDecodedBytes;
}
