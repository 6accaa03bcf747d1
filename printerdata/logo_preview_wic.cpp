// The logo preview written as PNG by the Windows Imaging Component, for
// printer-cli.exe, which runs without Qt.
#include <windows.h>

#include "logo_preview_pixels.h"
#include "wic_com.h"
#include "win32_utf8.h"

bool SaveLogoPreview(const LogoBuild& build, const std::string& path, std::string& error) {
    LogoPreviewPixels preview = LogoImagePreviewPixels(build);
    const std::wstring widePath = WideFromUtf8(path);
    ComApartment com;
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CreateImagingFactory(factory);
    // 0x00RRGGBB in memory is 32bppBGR.
    ComPtr<IWICBitmap> bitmap;
    if (SUCCEEDED(hr))
        hr = factory->CreateBitmapFromMemory(
            static_cast<UINT>(preview.width), static_cast<UINT>(preview.height),
            GUID_WICPixelFormat32bppBGR, static_cast<UINT>(preview.width) * 4,
            static_cast<UINT>(preview.pixels.size() * 4),
            reinterpret_cast<BYTE*>(preview.pixels.data()), bitmap.out());
    ComPtr<IWICStream> stream;
    if (SUCCEEDED(hr))
        hr = factory->CreateStream(stream.out());
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE);
    ComPtr<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out());
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(frame.out(), nullptr);
    if (SUCCEEDED(hr))
        hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(static_cast<UINT>(preview.width), static_cast<UINT>(preview.height));
    // The encoder says which format it takes; WriteSource converts to it.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr))
        hr = frame->WriteSource(bitmap.get(), nullptr);
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    if (SUCCEEDED(hr))
        return true;
    error = path + ": the PNG could not be written (" + HresultText(hr) + ")";
    return false;
}
