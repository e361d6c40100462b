// Writes the sample documents in samples/: compound files whose "Preview"
// stream holds an RLE8 picture, as older CAD versions write them (a part, an
// assembly, a drawing sheet), and a part in the archive container of current
// versions, decoys included, with a picture of their usual size. Each also
// holds the same scene as a true-colour "PreviewPNG". A drawing of three
// named sheets, the second active when saved, is written in each container,
// with a PNG of every sheet.
//
//   make_samples OUTDIR
//   make_samples --pictures OUTDIR
//
// The second form writes, instead of documents, the pictures they are made
// with, as PNG files: NAME.preview.png (the "Preview" picture, opaque),
// NAME.truecolor.png (the "PreviewPNG", transparent background) and, for the
// drawings, gearbox.sheetN.png (each sheet's PNG; gearbox.SLDDRW.* is the
// saved sheet's pictures, which gearbox-2024.SLDDRW holds too). Tests of real hosts compare the screen with
// these, so that what they expect owes nothing to the plugin's reading.
#include "archive_document.h"
#include "compound_file.h"
#include "dib_blocks.h"
#include "drawing_document.h"
#include "info_records.h"
#include "png_file.h"
#include "sheet_names_record.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Palette: 0-63 grey ramp, 64-127 steel blue ramp, 128-191 brass ramp,
// 192 black, 193 white, 194 red.
constexpr std::uint8_t kGrey = 0;
constexpr std::uint8_t kSteel = 64;
constexpr std::uint8_t kBrass = 128;
constexpr std::uint8_t kBlack = 192;
constexpr std::uint8_t kWhite = 193;
constexpr std::uint8_t kRed = 194;

std::vector<RGBQUAD> SamplePalette()
{
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    for (int i = 0; i < 64; ++i) {
        const BYTE grey = static_cast<BYTE>(150 + i * 100 / 63);
        palette[kGrey + i] = {grey, grey, grey, 0};
        palette[kSteel + i] = {static_cast<BYTE>(90 + i * 2), static_cast<BYTE>(60 + i * 2),
                               static_cast<BYTE>(30 + i * 2), 0};
        palette[kBrass + i] = {static_cast<BYTE>(20 + i), static_cast<BYTE>(110 + i * 2),
                               static_cast<BYTE>(120 + i * 2), 0};
    }
    palette[kBlack] = {0, 0, 0, 0};
    palette[kWhite] = {255, 255, 255, 0};
    palette[kRed] = {30, 30, 200, 0};
    return palette;
}

// The colour of palette index ramp + level for a level anywhere from 0 to 63:
// the ramps of SamplePalette, continued between their steps.
struct Colour {
    double red, green, blue;
};
Colour RampColour(int ramp, double level)
{
    switch (ramp) {
    case kSteel:
        return {30 + level * 2, 60 + level * 2, 90 + level * 2};
    case kBrass:
        return {120 + level * 2, 110 + level * 2, 20 + level};
    default: {
        const double grey = 150 + level * 100 / 63;
        return {grey, grey, grey};
    }
    }
}

Colour PaletteColour(int index)
{
    const RGBQUAD entry = SamplePalette()[index];
    return {static_cast<double>(entry.rgbRed), static_cast<double>(entry.rgbGreen), static_cast<double>(entry.rgbBlue)};
}

// Each scene is drawn twice at once: into the palette picture of the
// "Preview" DIB, stepped and with hard edges, and into the true-colour
// picture of "PreviewPNG", smoothly shaded, anti-aliased, on a transparent
// background, as the CAD program renders them.
struct Canvas {
    IndexedPicture picture;
    std::vector<double> rgba;  // straight alpha, 0 to 1, top row first

    Canvas(int width, int height)
        : picture(MakeBlockPicture(width, height)), rgba(static_cast<size_t>(width) * height * 4, 0.0)
    {
        picture.palette = SamplePalette();
    }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < picture.width && y < picture.height; }
    void PutIndex(int x, int y, int index)
    {
        if (Inside(x, y))
            picture.indices[static_cast<size_t>(y) * picture.width + x] = static_cast<std::uint8_t>(index);
    }
    // Lays a colour of this coverage over what the true-colour pixel holds.
    void Blend(int x, int y, const Colour& colour, double coverage)
    {
        if (!Inside(x, y) || coverage <= 0)
            return;
        double* pixel = &rgba[(static_cast<size_t>(y) * picture.width + x) * 4];
        const double below = pixel[3] * (1 - coverage);
        const double alpha = coverage + below;
        const double source[3] = {colour.red / 255, colour.green / 255, colour.blue / 255};
        for (int channel = 0; channel < 3; ++channel)
            pixel[channel] = (source[channel] * coverage + pixel[channel] * below) / alpha;
        pixel[3] = alpha;
    }
    void Put(int x, int y, int index)
    {
        PutIndex(x, y, index);
        Blend(x, y, PaletteColour(index), 1);
    }
    // A vertical background gradient from light to lighter; the true-colour
    // picture leaves its background transparent.
    void Background()
    {
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                PutIndex(x, y, kGrey + 63 - y * 40 / picture.height);
    }
    void Fill(int left, int top, int right, int bottom, int index)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                Put(x, y, index);
    }
    // A box lit from the top left: the ramp runs along the diagonal.
    void ShadedBox(int left, int top, int right, int bottom, int ramp)
    {
        const int span = (right - left) + (bottom - top);
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                PutIndex(x, y, ramp + 63 - ((x - left) + (y - top)) * 50 / span);
                Blend(x, y, RampColour(ramp, 63 - ((x - left) + (y - top)) * 50.0 / span), 1);
            }
    }
    // A disc shaded like a cylinder end, with an optional hole; its edges
    // are anti-aliased in the true-colour picture (4 x 4 samples a pixel).
    void Disc(int centreX, int centreY, int radius, int hole, int ramp)
    {
        const auto inRing = [&](double x, double y) {
            const double distance = std::hypot(x - centreX, y - centreY);
            return distance <= radius && distance >= hole;
        };
        for (int y = centreY - radius - 1; y <= centreY + radius + 1; ++y)
            for (int x = centreX - radius - 1; x <= centreX + radius + 1; ++x) {
                if (inRing(x, y))
                    PutIndex(x, y, ramp + 63 - static_cast<int>((x - centreX + radius) * 45 / (2 * radius + 1)));
                int covered = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        covered += inRing(x - 0.375 + sx * 0.25, y - 0.375 + sy * 0.25) ? 1 : 0;
                const double level = 63 - (x - centreX + radius) * 45.0 / (2 * radius + 1);
                Blend(x, y, RampColour(ramp, level), covered / 16.0);
            }
    }
    void Frame(int left, int top, int right, int bottom, int index)
    {
        Fill(left, top, right, top + 2, index);
        Fill(left, bottom - 2, right, bottom, index);
        Fill(left, top, left + 2, bottom, index);
        Fill(right - 2, top, right, bottom, index);
    }
    // The true-colour picture as 0xAARRGGBB, for the PNG encoder.
    std::vector<std::uint32_t> TrueColourPixels() const
    {
        std::vector<std::uint32_t> pixels(rgba.size() / 4);
        const auto byte = [](double value) { return static_cast<std::uint32_t>(std::lround(value * 255)); };
        for (size_t i = 0; i < pixels.size(); ++i) {
            const double* pixel = &rgba[i * 4];
            pixels[i] = byte(pixel[3]) << 24 | byte(pixel[0]) << 16 | byte(pixel[1]) << 8 | byte(pixel[2]);
        }
        return pixels;
    }
};

Canvas Bracket()
{
    Canvas canvas(480, 320);
    canvas.Background();
    canvas.ShadedBox(80, 60, 170, 260, kSteel);   // upright
    canvas.ShadedBox(80, 200, 400, 260, kSteel);  // foot
    for (int x : {230, 330})
        canvas.Disc(x, 230, 18, 9, kGrey);  // bolt holes, seen through
    canvas.Disc(125, 110, 22, 12, kGrey);
    return canvas;
}

Canvas Assembly()
{
    Canvas canvas(640, 400);
    canvas.Background();
    canvas.ShadedBox(60, 185, 580, 215, kSteel);  // shaft
    canvas.Disc(200, 200, 120, 20, kBrass);       // large gear
    for (int tooth = 0; tooth < 24; ++tooth) {
        const double angle = tooth * 3.14159265 / 12;
        canvas.Disc(200 + static_cast<int>(128 * std::cos(angle)), 200 + static_cast<int>(128 * std::sin(angle)), 9, 0,
                    kBrass);
    }
    canvas.Disc(430, 200, 70, 16, kSteel);         // pinion
    canvas.ShadedBox(540, 150, 580, 250, kBrass);  // bearing block
    return canvas;
}

// A blank sheet: white, a border, and a title block in the bottom right
// corner from (titleLeft, titleTop), its first row 30 pixels tall.
Canvas BlankSheet(int width, int height, int border, int titleLeft, int titleTop)
{
    Canvas canvas(width, height);
    canvas.Fill(0, 0, width, height, kWhite);
    canvas.Frame(border, border, width - border, height - border, kBlack);
    canvas.Frame(titleLeft, titleTop, width - border, height - border, kBlack);
    canvas.Fill(titleLeft, titleTop + 30, width - border, titleTop + 32, kBlack);
    return canvas;
}

Canvas DrawingSheet()
{
    Canvas canvas = BlankSheet(800, 560, 10, 540, 470);
    canvas.Fill(660, 470, 662, 550, kBlack);
    canvas.Frame(80, 80, 340, 260, kBlack);   // front view
    canvas.Frame(420, 80, 520, 260, kBlack);  // side view
    canvas.Frame(80, 320, 340, 420, kBlack);  // top view
    for (int x = 100; x < 320; x += 12)
        canvas.Fill(x, 170, x + 6, 171, kRed);  // centre line, dashed
    canvas.Disc(210, 170, 40, 37, kSteel);      // a bore seen as a circle
    return canvas;
}

// Current versions save pictures of 1420 x 716.
Canvas Flange()
{
    Canvas canvas(1420, 716);
    canvas.Background();
    canvas.Disc(710, 358, 300, 0, kSteel);    // flange
    canvas.Disc(710, 358, 150, 130, kBrass);  // hub around the bore
    for (int hole = 0; hole < 8; ++hole) {
        const double angle = hole * 3.14159265 / 4;
        canvas.Disc(710 + static_cast<int>(230 * std::cos(angle)), 358 + static_cast<int>(230 * std::sin(angle)), 28, 0,
                    kGrey);
    }
    return canvas;
}

// The sheets of a gearbox drawing, at the 640 x 480 that real drawings
// keep of each sheet: the arrangement, a detail sheet, the parts list.
Canvas SheetFrame()
{
    return BlankSheet(640, 480, 8, 430, 410);
}

Canvas ArrangementSheet()
{
    Canvas canvas = SheetFrame();
    canvas.Frame(60, 190, 560, 230, kBlack);  // shaft
    canvas.Disc(220, 210, 130, 126, kBlack);  // large gear, outline
    canvas.Disc(220, 210, 20, 17, kBlack);    // its bore
    canvas.Disc(420, 210, 70, 66, kBlack);    // pinion
    for (int x = 40; x < 600; x += 14)
        canvas.Fill(x, 210, x + 7, 211, kRed);  // axis, dashed
    return canvas;
}

Canvas DetailSheet()
{
    Canvas canvas = SheetFrame();
    canvas.Frame(50, 50, 290, 250, kBlack);  // detail A
    canvas.Disc(170, 150, 80, 76, kSteel);
    for (int tooth = 0; tooth < 12; ++tooth) {
        const double angle = tooth * 3.14159265 / 6;
        canvas.Disc(170 + static_cast<int>(88 * std::cos(angle)), 150 + static_cast<int>(88 * std::sin(angle)), 7, 0,
                    kSteel);
    }
    canvas.Frame(340, 50, 590, 250, kBlack);  // section B-B
    canvas.ShadedBox(380, 110, 550, 190, kBrass);
    canvas.Fill(380, 148, 550, 152, kBlack);
    return canvas;
}

Canvas PartsListSheet()
{
    Canvas canvas = SheetFrame();
    canvas.Frame(40, 40, 600, 340, kBlack);
    for (int row = 1; row < 10; ++row)
        canvas.Fill(40, 40 + row * 30, 600, 41 + row * 30, kBlack);
    for (const int column : {90, 380, 480})
        canvas.Fill(column, 40, column + 1, 340, kBlack);
    for (int row = 0; row < 10; ++row)  // the entries, as strokes of text
        for (int word = 0; word < 2 + row % 3; ++word)
            canvas.Fill(100 + word * 60, 52 + row * 30, 140 + word * 60, 58 + row * 30, row == 0 ? kRed : kGrey);
    return canvas;
}

// Both containers hold the same drawing: "Preview" and "PreviewPNG" of the
// sheet active when it was saved (the second), and every sheet as a PNG.
DrawingContent GearboxDrawing()
{
    const Canvas sheets[] = {ArrangementSheet(), DetailSheet(), PartsListSheet()};
    DrawingContent content;
    content.previewBlock = Rle8Block(sheets[1].picture);
    content.sheetNames = SheetNamesRecord({u"General arrangement", u"Details", u"Parts list"}, 1);
    for (const Canvas& sheet : sheets)
        content.sheetPictures.push_back(
            EncodeRgbaPng(sheet.picture.width, sheet.picture.height, sheet.TrueColourPixels()));
    content.previewPng = content.sheetPictures[1];
    return content;
}

// What each sample says of itself: the release that saved it, who made it
// and when, and the custom properties a company fills in.
InfoContent SampleInfo(std::uint32_t releaseCode, const std::string& description, const std::string& number,
                       const std::string& material)
{
    InfoContent info;
    info.releaseCode = releaseCode;
    info.author = "M. Lindqvist";
    info.lastSavedBy = "A. Okafor";
    info.created = releaseCode < 6000 ? "2011-03-14T08:05:31Z" : "2023-11-20T09:12:44Z";
    info.modified = releaseCode < 6000 ? "2012-06-02T15:47:09Z" : "2024-05-17T13:30:02Z";
    info.custom = {{"Description", "lpwstr", description}, {"Number", "lpwstr", number}};
    // An assembly's material is its parts'.
    if (!material.empty())
        info.custom.push_back({"Material", "lpwstr", material});
    info.custom.push_back({"Revision", "lpwstr", "C"});
    info.custom.push_back({"Weight", "r8", "2.346"});
    return info;
}

bool WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::vector<unsigned char> OpaquePng(const IndexedPicture& picture)
{
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            pixels.push_back(0xFF000000u | picture.ColourAt(x, y));
    return EncodeRgbaPng(picture.width, picture.height, pixels);
}

int WriteKnownPictures(const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    const struct {
        const wchar_t* name;
        Canvas canvas;
    } scenes[] = {{L"bracket.SLDPRT", Bracket()},      {L"gearbox.SLDASM", Assembly()},
                  {L"bracket.SLDDRW", DrawingSheet()}, {L"flange.SLDPRT", Flange()},
                  {L"gearbox.SLDDRW", DetailSheet()},  {L"gearbox.sheet0", ArrangementSheet()},
                  {L"gearbox.sheet1", DetailSheet()},  {L"gearbox.sheet2", PartsListSheet()}};
    for (const auto& scene : scenes) {
        const std::wstring base = folder + L"\\" + scene.name;
        const IndexedPicture& picture = scene.canvas.picture;
        const bool sheet = std::wstring(scene.name).find(L".sheet") != std::wstring::npos;
        const std::vector<unsigned char> png =
            EncodeRgbaPng(picture.width, picture.height, scene.canvas.TrueColourPixels());
        const bool ok =
            sheet ? WriteBytes(base + L".png", png)
                  : WriteBytes(base + L".preview.png", OpaquePng(picture)) && WriteBytes(base + L".truecolor.png", png);
        if (!ok) {
            std::fprintf(stderr, "cannot write %ls\n", base.c_str());
            return 1;
        }
        std::printf("written %ls (%dx%d)\n", base.c_str(), picture.width, picture.height);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wstring(argv[1]) == L"--pictures")
        return WriteKnownPictures(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTDIR | make_samples --pictures OUTDIR\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    CreateDirectoryW(folder.c_str(), nullptr);
    const struct {
        const wchar_t* name;
        Canvas canvas;
        InfoContent info;
    } samples[] = {
        {L"bracket.SLDPRT", Bracket(), SampleInfo(4400, "Mounting bracket", "BR-1005", "AISI 304")},
        {L"gearbox.SLDASM", Assembly(), SampleInfo(5000, "Gear box, two stages", "GB-0640", "")},
        {L"bracket.SLDDRW", DrawingSheet(), SampleInfo(4700, "Mounting bracket, drawing", "BR-1005-D", "AISI 304")}};
    for (const auto& sample : samples) {
        const std::wstring path = folder + L"\\" + sample.name;
        const IndexedPicture& picture = sample.canvas.picture;
        const std::vector<unsigned char> png =
            EncodeRgbaPng(picture.width, picture.height, sample.canvas.TrueColourPixels());
        WriteCompoundFile(path, {{L"Preview", PreviewStreamBytes(Rle8Block(picture))}, {L"PreviewPNG", png}});
        WriteCompoundInfo(path, sample.info);
        std::printf("written %ls (%dx%d, and a true-colour PNG)\n", path.c_str(), picture.width, picture.height);
    }
    const Canvas flange = Flange();
    const std::wstring path = folder + L"\\flange.SLDPRT";
    const std::vector<unsigned char> png =
        EncodeRgbaPng(flange.picture.width, flange.picture.height, flange.TrueColourPixels());
    WriteArchiveFile(path,
                     ArchiveDocument(Rle8Block(flange.picture), 0, {}, png,
                                     InfoRecords(SampleInfo(17000, "Pipe flange DN50", "FL-1420", "EN-GJS-400-15"))));
    std::printf("written %ls (%dx%d, and a true-colour PNG, archive container)\n", path.c_str(), flange.picture.width,
                flange.picture.height);

    const DrawingContent drawing = GearboxDrawing();
    const std::wstring compound = folder + L"\\gearbox.SLDDRW";
    WriteCompoundDrawing(compound, drawing);
    WriteCompoundInfo(compound, SampleInfo(5000, "Gear box, general arrangement", "GB-0640-D", ""));
    const std::wstring archive = folder + L"\\gearbox-2024.SLDDRW";
    WriteArchiveFile(archive, ArchiveDrawing(drawing, InfoRecords(SampleInfo(17000, "Gear box, general arrangement",
                                                                             "GB-0640-D", ""))));
    for (const std::wstring* written : {&compound, &archive})
        std::printf("written %ls (three sheets of 640x480, the second active)\n", written->c_str());
    return 0;
}
