#include "png_file.h"

#include <wincodec.h>

#include <memory>

namespace {

struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ScopedCom = std::unique_ptr<Interface, ComReleaser>;

}  // namespace

HRESULT WritePng(HBITMAP bitmap, const wchar_t* path)
{
    IWICImagingFactory* rawFactory = nullptr;
    HRESULT result =
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&rawFactory));
    if (FAILED(result))
        return result;
    ScopedCom<IWICImagingFactory> factory(rawFactory);

    IWICBitmap* rawSource = nullptr;
    result = factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &rawSource);
    if (FAILED(result))
        return result;
    ScopedCom<IWICBitmap> source(rawSource);
    UINT width = 0;
    UINT height = 0;
    source->GetSize(&width, &height);

    IWICStream* rawStream = nullptr;
    result = factory->CreateStream(&rawStream);
    if (FAILED(result))
        return result;
    ScopedCom<IWICStream> stream(rawStream);
    result = stream->InitializeFromFilename(path, GENERIC_WRITE);
    if (FAILED(result))
        return result;

    IWICBitmapEncoder* rawEncoder = nullptr;
    result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &rawEncoder);
    if (FAILED(result))
        return result;
    ScopedCom<IWICBitmapEncoder> encoder(rawEncoder);
    result = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    if (FAILED(result))
        return result;

    IWICBitmapFrameEncode* rawFrame = nullptr;
    result = encoder->CreateNewFrame(&rawFrame, nullptr);
    if (FAILED(result))
        return result;
    ScopedCom<IWICBitmapFrameEncode> frame(rawFrame);
    if (FAILED(result = frame->Initialize(nullptr)) || FAILED(result = frame->SetSize(width, height)))
        return result;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(result = frame->SetPixelFormat(&format)))
        return result;

    // The encoder may want another layout than the screen bitmap's.
    IWICFormatConverter* rawConverter = nullptr;
    if (FAILED(result = factory->CreateFormatConverter(&rawConverter)))
        return result;
    ScopedCom<IWICFormatConverter> converter(rawConverter);
    result =
        converter->Initialize(source.get(), format, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(result))
        return result;
    if (FAILED(result = frame->WriteSource(converter.get(), nullptr)))
        return result;
    if (FAILED(result = frame->Commit()))
        return result;
    return encoder->Commit();
}
