// Logo pictures decoded with the Windows Imaging Component (BMP, PNG, GIF,
// JPEG), for printer-cli.exe and printer-tool.exe, which run without Qt:
// the same limits, messages and colours as Qt's decoder.
#include <windows.h>

#include <filesystem>
#include <vector>

#include "logo_decoding.h"
#include "logo_pictures.h"
#include "wic_com.h"
#include "win32_utf8.h"

namespace {

// The first frame of what `decoder` decodes, as colours over white;
// refused above `maxPixels` by its size before its pixels are decoded.
std::optional<LogoPicture> DecodeFirstFrame(HRESULT hr, IWICBitmapDecoder* decoder,
                                            const std::string& name, LogoFailure& failure,
                                            int64_t maxPixels) {
    ComPtr<IWICBitmapFrameDecode> frame;
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, frame.out());
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&width, &height);
    if (FAILED(hr) || width == 0 || height == 0) {
        failure = UnreadablePicture(name, HresultText(hr));
        return std::nullopt;
    }
    if (auto tooLarge = PictureTooLarge(name, width, height, maxPixels)) {
        failure = *tooLarge;
        return std::nullopt;
    }
    ComPtr<IWICBitmapSource> bgra;
    hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), bgra.out());
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    if (SUCCEEDED(hr))
        hr = bgra->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data());
    if (FAILED(hr)) {
        failure = UnreadablePicture(name, HresultText(hr));
        return std::nullopt;
    }
    LogoPicture picture;
    picture.name = name;
    picture.width = width;
    picture.height = height;
    picture.colours.reserve(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); i += 4)
        picture.colours.push_back(
            ColourOverWhite(pixels[i + 2], pixels[i + 1], pixels[i], pixels[i + 3]));
    return picture;
}

}  // namespace

std::optional<LogoPicture> DecodeLogoPicture(const LogoFile& file, LogoFailure& failure) {
    const std::wstring path = WideFromUtf8(file.path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec)) {
        failure = MissingPicture(file.name);
        return std::nullopt;
    }
    ComApartment com;
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CreateImagingFactory(factory);
    ComPtr<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.out());
    return DecodeFirstFrame(hr, decoder.get(), file.name, failure, kMaxLogoPicturePixels);
}

std::optional<LogoPicture> DecodeLogoPictureBytes(std::span<const uint8_t> bytes,
                                                  const std::string& name, LogoFailure& failure,
                                                  int64_t maxPixels) {
    ComApartment com;
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CreateImagingFactory(factory);
    // The stream reads the caller's bytes where they are.
    ComPtr<IWICStream> stream;
    if (SUCCEEDED(hr))
        hr = factory->CreateStream(stream.out());
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size()));
    ComPtr<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.out());
    return DecodeFirstFrame(hr, decoder.get(), name, failure, maxPixels);
}
