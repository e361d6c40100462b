// quickview.exe, run as a user runs it: its exit status, what it prints, and
// the PNG files it writes, decoded again with the platform's imaging component.
#include "base/version.h"
#include "child_process.h"
#include "compound_file.h"
#include "dib_blocks.h"
#include "drawing_fixture.h"
#include "info_records.h"
#include "plugin_host.h"
#include "png_file.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <wincodec.h>

#include <string>
#include <thread>

namespace {

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output and standard error together
};

std::wstring BuildFolder()
{
    return BuiltPluginPath().substr(0, BuiltPluginPath().find_last_of(L'\\') + 1);
}

RunResult RunQuickview(const std::wstring& arguments, const std::wstring& folder = BuildFolder())
{
    const std::wstring program = folder + L"quickview.exe";
    RunResult result;
    const ChildRun run = RunChild(program, L"\"" + program + L"\" " + arguments, 60000,
                                  [&](const std::string& output) { result.output += output; });
    if (run.silent)
        result.output += "\n[quickview said nothing for 60 s and was ended]";
    result.exitCode = run.exitCode;
    return result;
}

struct DecodedPng {
    UINT width = 0;
    UINT height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// Decodes a PNG file; an empty result when it is not one.
DecodedPng DecodePng(const std::wstring& path)
{
    DecodedPng png;
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
        return png;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    GUID container = {};
    if (SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetContainerFormat(&container)) && container == GUID_ContainerFormatPng &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom))) {
        converter->GetSize(&png.width, &png.height);
        png.pixels.resize(static_cast<size_t>(png.width) * png.height);
        converter->CopyPixels(nullptr, png.width * 4, static_cast<UINT>(png.pixels.size() * 4),
                              reinterpret_cast<BYTE*>(png.pixels.data()));
        for (std::uint32_t& pixel : png.pixels)
            pixel &= 0x00FFFFFF;
    }
    if (converter != nullptr)
        converter->Release();
    if (frame != nullptr)
        frame->Release();
    if (decoder != nullptr)
        decoder->Release();
    factory->Release();
    return png;
}

class Quickview : public ::testing::Test {
protected:
    Quickview() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Quickview() override { CoUninitialize(); }

    std::wstring Document(const std::wstring& name, const IndexedPicture& picture)
    {
        const std::wstring path = folder.File(name);
        WriteDocument(path, Rle8Block(picture));
        return path;
    }
    static std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

    TempFolder folder;
};

}  // namespace

TEST_F(Quickview, ThumbnailsOfGoodAndBadFilesAreWrittenOrExplained)
{
    const std::wstring wide = Document(L"wide.SLDPRT", MakeBlockPicture(300, 150));
    const std::wstring small = Document(L"small.SLDDRW", MakeBlockPicture(40, 30));
    const std::wstring notCompound = folder.File(L"text.SLDPRT");
    WriteFileBytes(notCompound, "not a compound file");
    const std::wstring missing = folder.File(L"missing.SLDASM");
    const std::wstring out = folder.File(L"thumbs");

    const RunResult run = RunQuickview(L"--thumbnails " + Quoted(out) + L" --box 100x100 " + Quoted(wide) + L" " +
                                       Quoted(notCompound) + L" " + Quoted(small) + L" " + Quoted(missing));
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("failed  " + ToAnsi(notCompound) + ": holds no readable preview picture"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("failed  " + ToAnsi(missing) + ": cannot be found or opened"), std::string::npos);
    EXPECT_NE(run.output.find("2 of 4 thumbnails written, 2 failed"), std::string::npos) << run.output;

    const DecodedPng scaled = DecodePng(out + L"\\wide.SLDPRT.png");
    EXPECT_EQ(scaled.width, 100u);
    EXPECT_EQ(scaled.height, 50u);
    const DecodedPng unscaled = DecodePng(out + L"\\small.SLDDRW.png");
    EXPECT_EQ(unscaled.width, 40u);
    EXPECT_EQ(unscaled.height, 30u);
    ASSERT_EQ(unscaled.pixels.size(), 40u * 30u);
    const IndexedPicture picture = MakeBlockPicture(40, 30);
    EXPECT_EQ(unscaled.pixels[0], picture.ColourAt(0, 0));
    EXPECT_EQ(unscaled.pixels[29 * 40 + 39], picture.ColourAt(39, 29));
    EXPECT_FALSE(FileExists(out + L"\\text.SLDPRT.png"));

    // Every document good: status 0.
    EXPECT_EQ(RunQuickview(L"--thumbnails " + Quoted(out) + L" " + Quoted(small)).exitCode, 0u);
}

TEST_F(Quickview, ScreenshotHasTheWindowSizeAndShowsThePicture)
{
    const IndexedPicture picture = MakeBlockPicture(120, 90);
    const std::wstring document = Document(L"part.SLDPRT", picture);
    const std::wstring natural = folder.File(L"natural.png");
    RunResult run = RunQuickview(L"--screenshot " + Quoted(natural) + L" --size 200x150 " + Quoted(document));
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    DecodedPng png = DecodePng(natural);
    ASSERT_EQ(png.width, 200u);
    ASSERT_EQ(png.height, 150u);
    EXPECT_EQ(png.pixels[0], picture.ColourAt(0, 0));
    EXPECT_EQ(png.pixels[89 * 200 + 119], picture.ColourAt(119, 89));
    EXPECT_EQ(png.pixels[149 * 200 + 199], 0x00FFFFFFu);  // the default background

    // Fitted (0x02) and centred (0x40): the picture spans the height, in the middle.
    const std::wstring fitted = folder.File(L"fitted.png");
    run = RunQuickview(L"--screenshot " + Quoted(fitted) + L" --size 400x150 --flags 0x42 " + Quoted(document));
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    png = DecodePng(fitted);
    ASSERT_EQ(png.width, 400u);
    EXPECT_EQ(png.pixels[75 * 400 + 50], 0x00FFFFFFu);
    EXPECT_EQ(png.pixels[1 * 400 + 102], picture.ColourAt(0, 0));
}

TEST_F(Quickview, SheetOptionShowsThatSheetOfADrawing)
{
    const std::wstring drawing = folder.File(L"plan.SLDDRW");
    WriteDrawing(drawing, Container::Archive, ThreeSheetDrawing(MakeBlockPicture(180, 140)));
    const std::wstring shot = folder.File(L"sheet0.png");
    RunResult run = RunQuickview(L"--screenshot " + Quoted(shot) + L" --size 300x250 --sheet 0 " + Quoted(drawing));
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    const DecodedPng png = DecodePng(shot);
    ASSERT_EQ(png.width, 300u);
    for (const POINT at : {POINT{0, 0}, POINT{150, 90}, POINT{199, 40}})
        EXPECT_EQ(png.pixels[at.y * 300 + at.x], SheetPixelOver(0, at.x, at.y, 0x00FFFFFF))
            << "at (" << at.x << ", " << at.y << ")";
    // A sheet the drawing does not have fails with a word.
    run = RunQuickview(L"--screenshot " + Quoted(shot) + L" --sheet 3 " + Quoted(drawing));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("has no sheet 3"), std::string::npos) << run.output;
}

TEST_F(Quickview, FirstRunRelaysTheNoticeOfANewSettingsFileInsteadOfWaiting)
{
    // A fresh installation: no settings file beside the plugin or the program.
    const std::wstring installation = folder.File(L"install");
    CreateDirectoryW(installation.c_str(), nullptr);
    for (const wchar_t* file : {L"quickview.exe", L"corvelle.dll"})
        ASSERT_TRUE(CopyFileW((BuildFolder() + file).c_str(), (installation + L"\\" + file).c_str(), FALSE));
    const std::wstring document = Document(L"part.SLDPRT", MakeBlockPicture(40, 30));
    const RunResult run =
        RunQuickview(L"--thumbnails " + Quoted(folder.File(L"out")) + L" " + Quoted(document), installation + L"\\");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("[Corvelle " CORVELLE_VERSION "] New initialization file is"), std::string::npos)
        << run.output;
    EXPECT_TRUE(FileExists(installation + L"\\corvelle.ini"));
}

TEST_F(Quickview, FailuresHaveTheirOwnExitStatus)
{
    const std::wstring out = folder.File(L"none.png");
    RunResult run = RunQuickview(L"--screenshot " + Quoted(out) + L" " + Quoted(folder.File(L"missing.SLDPRT")));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("no preview picture in"), std::string::npos) << run.output;
    EXPECT_FALSE(FileExists(out));

    run = RunQuickview(L"--screenshot " + Quoted(out) + L" --size 0x10 a.SLDPRT");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_NE(run.output.find("--size wants WIDTHxHEIGHT"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("usage: quickview"), std::string::npos);
    EXPECT_EQ(RunQuickview(L"").exitCode, 2u);
    EXPECT_EQ(RunQuickview(L"--help").exitCode, 0u);
}

// --true-color shows the document's PNG for that run only: the settings file
// keeps what the user had in it. The installation is the release archive's:
// the plugin is corvelle.wlx64, its settings corvelle.ini.
TEST_F(Quickview, TrueColorOptionShowsThePngAndRestoresTheSetting)
{
    const std::wstring installation = folder.File(L"install");
    CreateDirectoryW(installation.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileW((BuildFolder() + L"quickview.exe").c_str(), (installation + L"\\quickview.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileW((BuildFolder() + L"corvelle.dll").c_str(), (installation + L"\\corvelle.wlx64").c_str(), FALSE));
    const std::wstring settings = installation + L"\\corvelle.ini";
    const std::string userSettings = "[Corvelle Settings]\r\nTrueColor=0\r\n";
    WriteFileBytes(settings, userSettings);

    const IndexedPicture dib = MakeBlockPicture(60, 40);
    const std::uint32_t pngColour = 0x00336699;
    const std::vector<unsigned char> png =
        EncodeRgbaPng(30, 20, std::vector<std::uint32_t>(30 * 20, 0xFF000000u | pngColour));
    ASSERT_FALSE(png.empty());
    const std::wstring document = folder.File(L"both.SLDPRT");
    WriteCompoundFile(document, {{L"Preview", PreviewStreamBytes(Rle8Block(dib))}, {L"PreviewPNG", png}});

    const std::wstring shot = folder.File(L"true.png");
    RunResult run = RunQuickview(L"--true-color --screenshot " + Quoted(shot) + L" --size 100x80 " + Quoted(document),
                                 installation + L"\\");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    DecodedPng decoded = DecodePng(shot);
    ASSERT_EQ(decoded.pixels.size(), 100u * 80u);
    EXPECT_EQ(decoded.pixels[0], pngColour);
    EXPECT_EQ(decoded.pixels[19 * 100 + 29], pngColour);
    EXPECT_EQ(decoded.pixels[19 * 100 + 30], 0x00FFFFFFu);  // the PNG's size, not the DIB's
    const std::vector<unsigned char> after = ReadFileBytes(settings);
    EXPECT_EQ(std::string(after.begin(), after.end()), userSettings);

    run = RunQuickview(L"--screenshot " + Quoted(shot) + L" --size 100x80 " + Quoted(document), installation + L"\\");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    decoded = DecodePng(shot);
    ASSERT_EQ(decoded.pixels.size(), 100u * 80u);
    EXPECT_EQ(decoded.pixels[0], dib.ColourAt(0, 0));
}

// A folder's table in one command: a line a row behind each document's
// name, in UTF-8; a file without information prints nothing.
TEST_F(Quickview, InfoListsEveryDocumentsRows)
{
    InfoContent info;
    info.releaseCode = 17000;
    info.author = "J\xC3\xB6rg Stra\xC3\x9F"
                  "e";  // Jörg Straße, in UTF-8
    info.custom = {{"Number", "lpwstr", "FL-1420"}};
    const std::wstring part = folder.File(L"flange.SLDPRT");
    WriteArchiveFile(part, ArchiveDocument(Rle8Block(MakeBlockPicture(64, 48)), 0, {}, {}, InfoRecords(info)));
    const std::wstring plain = folder.File(L"plain.SLDPRT");
    WriteDocument(plain, Rle8Block(MakeBlockPicture(64, 48)));
    const RunResult run = RunQuickview(L"--info " + Quoted(plain) + L" " + Quoted(part));
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    const std::string name = ToAnsi(part);
    EXPECT_EQ(run.output, name + "\tSaved with\t2024\n" + name +
                              "\tAuthor\tJ\xC3\xB6rg Stra\xC3\x9F"
                              "e\n" +
                              name + "\tCustom:Number\tFL-1420\n");
}

// The content module's own view: every field of each file through its
// exports, a line each behind the file's name, in UTF-8 with breaks made
// spaces; a file it cannot read is named on standard error, and the
// listing goes on.
TEST_F(Quickview, FieldsListEveryFieldOfTheContentModule)
{
    InfoContent info;
    info.releaseCode = 17000;
    info.author = "J\xC3\xB6rg Stra\xC3\x9F"
                  "e";  // Jörg Straße, in UTF-8
    info.created = "2023-11-20T09:12:44Z";
    info.custom = {{"Number", "lpwstr", "FL-1420"}, {"Remark", "lpwstr", "one\xE2\x80\xA8two"}};
    const std::wstring part = folder.File(L"flange.SLDPRT");
    WriteArchiveFile(part, ArchiveDocument(Rle8Block(MakeBlockPicture(64, 48)), 0, {}, {}, InfoRecords(info)));
    const std::wstring text = folder.File(L"notes.SLDPRT");
    WriteFileBytes(text, "no document");
    const RunResult run = RunQuickview(L"--fields " + Quoted(text) + L" " + Quoted(part));
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    const std::string name = ToAnsi(part) + "\t";
    const std::string expected = name + "Saved with\t2024\n" + name + "Release code\t17000\n" + name +
                                 "Author\tJ\xC3\xB6rg Stra\xC3\x9F"
                                 "e\n" +
                                 name + "Last saved by\t\n" + name + "Created\t2023-11-20T09:12:44Z\n" + name +
                                 "Last saved\t\n" + name + "Sheets\t\n" + name + "Preview\ttrue\n" + name +
                                 "Description\t\n" + name + "Number\tFL-1420\n" + name + "PartNo\t\n" + name +
                                 "Material\t\n" + name + "Revision\t\n" + name + "Weight\t\n" + name +
                                 "DrawnBy\t\n" + name + "All custom properties\tNumber: FL-1420  Remark: one two  \n";
    EXPECT_NE(run.output.find(ToAnsi(text) + ": not a document the content module can read"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
}

namespace {

// HKCU\Control Panel\Desktop LogPixels as the registry holds it, or 0.
DWORD LogPixels()
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

// The rows at the bottom of a screenshot, at its right edge, that are not
// the background: the row of tabs there.
int TabRowHeight(const DecodedPng& png, std::uint32_t background)
{
    int rows = 0;
    while (rows < static_cast<int>(png.height) &&
           png.pixels[(png.height - 1 - rows) * png.width + png.width - 1] != background)
        ++rows;
    return rows;
}

// Keys as the keyboard sends them, to whichever window has the focus.
void PressKeys(std::initializer_list<std::pair<WORD, bool>> keys)
{
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

// --dpi 144 runs the window at 150 %: the row of tabs is half as tall again,
// the picture keeps one pixel per screen pixel, and LogPixels is put back.
TEST_F(Quickview, DpiOptionRunsTheWindowAtThatDpiAndPutsLogPixelsBack)
{
    const IndexedPicture preview = MakeBlockPicture(180, 140);
    const std::wstring drawing = folder.File(L"plan.SLDDRW");
    WriteDrawing(drawing, Container::Archive, ThreeSheetDrawing(preview));
    const DWORD before = LogPixels();
    int heights[2] = {};
    const int dpis[2] = {96, 144};
    for (int run = 0; run < 2; ++run) {
        const std::wstring shot = folder.File(L"dpi" + std::to_wstring(dpis[run]) + L".png");
        const RunResult result = RunQuickview(L"--dpi " + std::to_wstring(dpis[run]) + L" --screenshot " +
                                              Quoted(shot) + L" --size 400x300 " + Quoted(drawing));
        ASSERT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_EQ(LogPixels(), before) << "put back after the run at " << dpis[run];
        const DecodedPng png = DecodePng(shot);
        ASSERT_EQ(png.width, 400u);
        ASSERT_EQ(png.height, 300u);
        EXPECT_EQ(png.pixels[179], preview.ColourAt(179, 0)) << dpis[run];
        EXPECT_EQ(png.pixels[180], 0x00FFFFFFu) << dpis[run] << ": natural size at any DPI";
        heights[run] = TabRowHeight(png, 0x00FFFFFF);
    }
    EXPECT_GT(heights[0], 10);
    EXPECT_GE(heights[1] * 10, heights[0] * 14) << heights[0] << " at 96 DPI, " << heights[1] << " at 144";
}

// With a row of the information panel selected, the keys are the panel's:
// Ctrl+C copies the row, not the picture. A key the panel has no use for
// (Esc) still reaches quickview, through the viewer.
TEST_F(Quickview, PanelWithTheFocusTakesItsOwnKeys)
{
    const std::wstring installation = folder.File(L"install");
    CreateDirectoryW(installation.c_str(), nullptr);
    for (const wchar_t* file : {L"quickview.exe", L"corvelle.dll"})
        ASSERT_TRUE(CopyFileW((BuildFolder() + file).c_str(), (installation + L"\\" + file).c_str(), FALSE));
    WriteFileBytes(installation + L"\\corvelle.ini", "[Corvelle Settings]\r\nInfoPanel=1\r\n");
    InfoContent info;
    info.releaseCode = 17000;
    info.author = "M. Lindqvist";
    const std::wstring part = folder.File(L"flange.SLDPRT");
    WriteArchiveFile(part, ArchiveDocument(Rle8Block(MakeBlockPicture(64, 48)), 0, {}, {}, InfoRecords(info)));
    EmptyClipboardAsAnotherProgram();

    RunResult run;
    std::thread viewing([&] { run = RunQuickview(Quoted(part), installation + L"\\"); });
    HWND window = nullptr;
    HWND panel = nullptr;
    for (int wait = 0; wait < 300 && panel == nullptr; ++wait) {
        Sleep(50);
        window = FindWindowW(L"QuickviewHost", nullptr);
        HWND viewer = window != nullptr ? FindWindowExW(window, nullptr, L"Corvelle", nullptr) : nullptr;
        panel = viewer != nullptr ? FindWindowExW(viewer, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    }
    if (panel != nullptr) {
        // A click on the first row, just below the column titles.
        RECT titles = {};
        GetWindowRect(FindWindowExW(panel, nullptr, WC_HEADERW, nullptr), &titles);
        const LPARAM row = MAKELPARAM(10, titles.bottom - titles.top + 4);
        PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, row);
        PostMessageW(panel, WM_LBUTTONUP, 0, row);
        GUITHREADINFO focus = {};
        focus.cbSize = sizeof focus;
        for (int wait = 0; wait < 100 && focus.hwndFocus != panel; ++wait) {
            Sleep(50);
            GetGUIThreadInfo(GetWindowThreadProcessId(panel, nullptr), &focus);
        }
        PressKeys({{VK_CONTROL, true}, {'C', true}, {'C', false}, {VK_CONTROL, false}});
        for (int wait = 0; wait < 100 && CountClipboardFormats() == 0; ++wait)
            Sleep(50);
        PressKeys({{VK_ESCAPE, true}, {VK_ESCAPE, false}});
        for (int wait = 0; wait < 100 && IsWindow(window); ++wait)
            Sleep(50);
    }
    // Whatever happened, quickview ends.
    if (IsWindow(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
    viewing.join();
    ASSERT_NE(panel, nullptr) << "no panel in quickview: " << run.output;
    EXPECT_EQ(ClipboardText(), L"Saved with\t2024\r\n");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP)) << "the picture copied instead";
    EXPECT_EQ(run.output.find("copied"), std::string::npos) << run.output;
    EXPECT_EQ(run.exitCode, 0u) << run.output;
}
