#include "png_fixture.h"

#include <objbase.h>
#include <wincodec.h>

namespace {

template <typename Interface>
struct Released {
    Interface* pointer = nullptr;
    ~Released()
    {
        if (pointer != nullptr)
            pointer->Release();
    }
};

}  // namespace

std::vector<unsigned char> EncodeRgbaPng(int width, int height, const std::vector<std::uint32_t>& pixels)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<unsigned char> bytes;
    {
        Released<IWICImagingFactory> factory;
        Released<IStream> stream;
        Released<IWICBitmapEncoder> encoder;
        Released<IWICBitmapFrameEncode> frame;
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(&factory.pointer))) ||
            FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.pointer)) ||
            FAILED(factory.pointer->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder.pointer)) ||
            FAILED(encoder.pointer->Initialize(stream.pointer, WICBitmapEncoderNoCache)) ||
            FAILED(encoder.pointer->CreateNewFrame(&frame.pointer, nullptr)) ||
            FAILED(frame.pointer->Initialize(nullptr)) || FAILED(frame.pointer->SetSize(width, height)) ||
            FAILED(frame.pointer->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGRA ||
            FAILED(frame.pointer->WritePixels(height, width * 4, static_cast<UINT>(pixels.size() * 4),
                                              reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels.data())))) ||
            FAILED(frame.pointer->Commit()) || FAILED(encoder.pointer->Commit())) {
            bytes.clear();
        } else {
            STATSTG status = {};
            stream.pointer->Stat(&status, STATFLAG_NONAME);
            LARGE_INTEGER start = {};
            stream.pointer->Seek(start, STREAM_SEEK_SET, nullptr);
            bytes.resize(static_cast<size_t>(status.cbSize.QuadPart));
            ULONG read = 0;
            stream.pointer->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
            bytes.resize(read);
        }
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return bytes;
}
