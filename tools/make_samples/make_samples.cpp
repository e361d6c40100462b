// Writes the sample documents in samples/: compound files whose "Preview"
// stream holds an RLE8 picture, as older CAD versions write them (a part, an
// assembly, a drawing sheet), and a part in the archive container of current
// versions, decoys included, with a picture of their usual size.
//
//   make_samples OUTDIR
#include "archive_document.h"
#include "compound_file.h"
#include "dib_fixture.h"

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

struct Canvas {
    IndexedPicture picture;

    Canvas(int width, int height) : picture(MakeBlockPicture(width, height)) { picture.palette = SamplePalette(); }
    void Put(int x, int y, int index)
    {
        if (x >= 0 && y >= 0 && x < picture.width && y < picture.height)
            picture.indices[static_cast<size_t>(y) * picture.width + x] = static_cast<std::uint8_t>(index);
    }
    // A vertical background gradient from light to lighter.
    void Background()
    {
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                Put(x, y, kGrey + 63 - y * 40 / picture.height);
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
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                Put(x, y, ramp + 63 - ((x - left) + (y - top)) * 50 / ((right - left) + (bottom - top)));
    }
    // A disc shaded like a cylinder end, with an optional hole.
    void Disc(int centreX, int centreY, int radius, int hole, int ramp)
    {
        for (int y = centreY - radius; y <= centreY + radius; ++y)
            for (int x = centreX - radius; x <= centreX + radius; ++x) {
                const double distance = std::hypot(x - centreX, y - centreY);
                if (distance > radius || distance < hole)
                    continue;
                Put(x, y, ramp + 63 - static_cast<int>((x - centreX + radius) * 45 / (2 * radius + 1)));
            }
    }
    void Frame(int left, int top, int right, int bottom, int index)
    {
        Fill(left, top, right, top + 2, index);
        Fill(left, bottom - 2, right, bottom, index);
        Fill(left, top, left + 2, bottom, index);
        Fill(right - 2, top, right, bottom, index);
    }
};

IndexedPicture Bracket()
{
    Canvas canvas(480, 320);
    canvas.Background();
    canvas.ShadedBox(80, 60, 170, 260, kSteel);   // upright
    canvas.ShadedBox(80, 200, 400, 260, kSteel);  // foot
    for (int x : {230, 330})
        canvas.Disc(x, 230, 18, 9, kGrey);  // bolt holes, seen through
    canvas.Disc(125, 110, 22, 12, kGrey);
    return canvas.picture;
}

IndexedPicture Assembly()
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
    return canvas.picture;
}

IndexedPicture DrawingSheet()
{
    Canvas canvas(800, 560);
    canvas.Fill(0, 0, 800, 560, kWhite);
    canvas.Frame(10, 10, 790, 550, kBlack);
    canvas.Frame(540, 470, 790, 550, kBlack);  // title block
    canvas.Fill(540, 500, 790, 502, kBlack);
    canvas.Fill(660, 470, 662, 550, kBlack);
    canvas.Frame(80, 80, 340, 260, kBlack);   // front view
    canvas.Frame(420, 80, 520, 260, kBlack);  // side view
    canvas.Frame(80, 320, 340, 420, kBlack);  // top view
    for (int x = 100; x < 320; x += 12)
        canvas.Fill(x, 170, x + 6, 171, kRed);  // centre line, dashed
    canvas.Disc(210, 170, 40, 37, kSteel);      // a bore seen as a circle
    return canvas.picture;
}

// Current versions save pictures of 1420 x 716.
IndexedPicture Flange()
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
    return canvas.picture;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTDIR\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    CreateDirectoryW(folder.c_str(), nullptr);
    const struct {
        const wchar_t* name;
        IndexedPicture picture;
    } samples[] = {
        {L"bracket.SLDPRT", Bracket()}, {L"gearbox.SLDASM", Assembly()}, {L"bracket.SLDDRW", DrawingSheet()}};
    for (const auto& sample : samples) {
        const std::wstring path = folder + L"\\" + sample.name;
        WriteDocument(path, Rle8Block(sample.picture));
        std::printf("written %ls (%dx%d)\n", path.c_str(), sample.picture.width, sample.picture.height);
    }
    const IndexedPicture flange = Flange();
    const std::wstring path = folder + L"\\flange.SLDPRT";
    WriteArchiveFile(path, ArchiveDocument(Rle8Block(flange)));
    std::printf("written %ls (%dx%d, archive container)\n", path.c_str(), flange.width, flange.height);
    return 0;
}
