#include "png_file.h"

#include <wincodec.h>

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

HRESULT WritePng(HBITMAP bitmap, const wchar_t* path)
{
    ComPtr<IWICImagingFactory> factory;
    HRESULT result =
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.GetAddressOf()));
    if (FAILED(result))
        return result;

    ComPtr<IWICBitmap> source;
    result = factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, source.GetAddressOf());
    if (FAILED(result))
        return result;
    UINT width = 0;
    UINT height = 0;
    source->GetSize(&width, &height);

    ComPtr<IWICStream> stream;
    result = factory->CreateStream(stream.GetAddressOf());
    if (FAILED(result))
        return result;
    result = stream->InitializeFromFilename(path, GENERIC_WRITE);
    if (FAILED(result))
        return result;

    ComPtr<IWICBitmapEncoder> encoder;
    result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf());
    if (FAILED(result))
        return result;
    result = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (FAILED(result))
        return result;

    ComPtr<IWICBitmapFrameEncode> frame;
    result = encoder->CreateNewFrame(frame.GetAddressOf(), nullptr);
    if (FAILED(result))
        return result;
    if (FAILED(result = frame->Initialize(nullptr)) || FAILED(result = frame->SetSize(width, height)))
        return result;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(result = frame->SetPixelFormat(&format)))
        return result;

    // The encoder may want another layout than the screen bitmap's.
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(result = factory->CreateFormatConverter(converter.GetAddressOf())))
        return result;
    result =
        converter->Initialize(source.Get(), format, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(result))
        return result;
    if (FAILED(result = frame->WriteSource(converter.Get(), nullptr)))
        return result;
    if (FAILED(result = frame->Commit()))
        return result;
    return encoder->Commit();
}
