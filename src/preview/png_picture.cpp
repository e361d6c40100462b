#include "preview/png_picture.h"

#include "base/scoped_malloc.h"
#include "base/settings.h"
#include "base/win32_holders.h"
#include "preview/png_header.h"
#include "preview/screen_bitmap.h"

#include <objbase.h>
#include <wincodec.h>

namespace {

// COM for one call on whatever thread the host calls from: an apartment of
// our own when the thread has none, undone when the call ends; a thread
// already in another apartment is used as it is.
class ScopedApartment {
public:
    ScopedApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ScopedApartment(const ScopedApartment&) = delete;
    ScopedApartment& operator=(const ScopedApartment&) = delete;

    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

// One channel of a pixel of the given opacity over the background.
BYTE Composite(BYTE colour, BYTE background, BYTE alpha)
{
    return static_cast<BYTE>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

// Straight (not premultiplied) BGRA pixels, made opaque over the background.
void CompositeOver(BYTE* pixels, std::uint64_t count, COLORREF background)
{
    const BYTE red = GetRValue(background);
    const BYTE green = GetGValue(background);
    const BYTE blue = GetBValue(background);
    for (std::uint64_t i = 0; i < count; ++i) {
        BYTE* pixel = pixels + 4 * i;
        const BYTE alpha = pixel[3];
        pixel[0] = Composite(pixel[0], blue, alpha);
        pixel[1] = Composite(pixel[1], green, alpha);
        pixel[2] = Composite(pixel[2], red, alpha);
        pixel[3] = 0;
    }
}

// Rows converted in one call: the converter works through a buffer of the
// rows asked for, so asking for the whole picture would make it a second
// copy as large as the first.
constexpr UINT kRowsPerBand = 64;

// Frame 0 of the PNG as 32-bit BGRA.
ScopedCom<IWICBitmapSource> DecodeFirstFrame(IWICImagingFactory* factory, const unsigned char* bytes,
                                             std::uint32_t size)
{
    IWICStream* openedStream = nullptr;
    if (FAILED(factory->CreateStream(&openedStream)) || openedStream == nullptr)
        return nullptr;
    ScopedCom<IWICStream> stream(openedStream);
    if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size)))
        return nullptr;
    IWICBitmapDecoder* openedDecoder = nullptr;
    if (FAILED(
            factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &openedDecoder)) ||
        openedDecoder == nullptr)
        return nullptr;
    ScopedCom<IWICBitmapDecoder> decoder(openedDecoder);
    IWICBitmapFrameDecode* openedFrame = nullptr;
    if (FAILED(decoder->GetFrame(0, &openedFrame)) || openedFrame == nullptr)
        return nullptr;
    ScopedCom<IWICBitmapFrameDecode> frame(openedFrame);
    IWICFormatConverter* openedConverter = nullptr;
    if (FAILED(factory->CreateFormatConverter(&openedConverter)) || openedConverter == nullptr)
        return nullptr;
    ScopedCom<IWICFormatConverter> converter(openedConverter);
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    return ScopedCom<IWICBitmapSource>(converter.release());
}

// The PNG's pixels as straight BGRA, top row first, in memory of our own;
// every imaging object is released before this returns, so that the
// decoder's copy is gone before the screen bitmap is made.
ScopedMalloc<BYTE> DecodePixels(const unsigned char* bytes, std::uint32_t size, const PngSize& declared)
{
    const ScopedApartment apartment;
    if (!apartment.Usable())
        return nullptr;
    IWICImagingFactory* openedFactory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&openedFactory))) ||
        openedFactory == nullptr)
        return nullptr;
    ScopedCom<IWICImagingFactory> factory(openedFactory);
    ScopedCom<IWICBitmapSource> source = DecodeFirstFrame(factory.get(), bytes, size);
    if (source == nullptr)
        return nullptr;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(source->GetSize(&width, &height)) || width != declared.width || height != declared.height)
        return nullptr;

    const UINT stride = width * 4;
    ScopedMalloc<BYTE> pixels(static_cast<BYTE*>(std::malloc(std::uint64_t{stride} * height)));
    if (pixels == nullptr)
        return nullptr;
    for (UINT top = 0; top < height; top += kRowsPerBand) {
        const UINT rows = height - top < kRowsPerBand ? height - top : kRowsPerBand;
        const WICRect band = {0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows)};
        if (FAILED(source->CopyPixels(&band, stride, stride * rows, pixels.get() + std::uint64_t{stride} * top)))
            return nullptr;
    }
    return pixels;
}

}  // namespace

HBITMAP BitmapFromPng(const unsigned char* bytes, std::uint32_t size, const COLORREF* background)
{
    // Refused before the decoder sees a byte: no PNG, or a picture larger
    // than any DIB preview may be.
    const PngSize declared = ReadPngSize(bytes, size);
    if (!declared.valid)
        return nullptr;
    ScopedMalloc<BYTE> pixels = DecodePixels(bytes, size, declared);
    if (pixels == nullptr)
        return nullptr;
    const COLORREF under =
        background != nullptr ? *background : static_cast<COLORREF>(ReadSettingInt(kBackColorKey, kDefaultBackColor));
    CompositeOver(pixels.get(), std::uint64_t{declared.width} * declared.height, under);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(declared.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(declared.height);  // top row first, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateScreenBitmapFromBits(&info, pixels.get());
}
