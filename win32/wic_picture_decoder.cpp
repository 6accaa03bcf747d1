#include "wic_picture_decoder.h"

#include <windows.h>

#include <wincodec.h>

#include <cstdio>

#include "utf8.h"

namespace {

// The same limit as the Qt decoder: a picture above it is refused by its
// header, before anything is decoded.
constexpr int64_t kMaxPixels = 16 * 1024 * 1024;

// Releases a COM pointer when it goes.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p_)
            p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** out() { return &p_; }

  private:
    T* p_ = nullptr;
};

// One colour channel over white, by the pixel's opacity.
uint32_t OverWhite(uint32_t channel, uint32_t alpha) {
    return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
}

std::string Unreadable(const std::string& name, HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return name + " is not a picture this tool can read (" + code + ")";
}

}  // namespace

std::optional<LogoPicture> WicPictureDecoder::Decode(const std::string& path,
                                                     const std::string& name,
                                                     LogoFailure& failure) {
    const std::wstring widePath = Wide(path);
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        failure = {kLogoError, name + " does not exist"};
        return std::nullopt;
    }
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(factory.out()));
    ComPtr<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.out());
    ComPtr<IWICBitmapFrameDecode> frame;
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, frame.out());
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&width, &height);
    if (FAILED(hr) || width == 0 || height == 0) {
        failure = {kPictureInvalid, Unreadable(name, hr)};
        return std::nullopt;
    }
    if (static_cast<int64_t>(width) * height > kMaxPixels) {
        failure = {kPictureInvalid, name + " is " + std::to_string(width) + " x " +
                                        std::to_string(height) + " pixels, too large for a logo"};
        return std::nullopt;
    }
    ComPtr<IWICBitmapSource> bgra;
    hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), bgra.out());
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    if (SUCCEEDED(hr))
        hr = bgra->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data());
    if (FAILED(hr)) {
        failure = {kPictureInvalid, Unreadable(name, hr)};
        return std::nullopt;
    }
    LogoPicture picture;
    picture.name = name;
    picture.width = width;
    picture.height = height;
    picture.colours.reserve(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const uint32_t alpha = pixels[i + 3];
        picture.colours.push_back(OverWhite(pixels[i + 2], alpha) |
                                  OverWhite(pixels[i + 1], alpha) << 8 |
                                  OverWhite(pixels[i], alpha) << 16);
    }
    return picture;
}
