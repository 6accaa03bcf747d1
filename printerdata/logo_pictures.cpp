// The decoder-independent part of reading logo pictures: composing files in
// order, and what both decoders share.
#include "logo_pictures.h"

#include "logo_decoding.h"

namespace {

// One colour channel over white, by the pixel's opacity.
uint32_t OverWhite(uint32_t channel, uint32_t alpha) {
    return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
}

}  // namespace

uint32_t ColourOverWhite(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
    return OverWhite(red, alpha) | OverWhite(green, alpha) << 8 | OverWhite(blue, alpha) << 16;
}

std::optional<LogoFailure> PictureTooLarge(const std::string& name, int64_t width, int64_t height,
                                           int64_t maxPixels) {
    if (width * height <= maxPixels)
        return std::nullopt;
    return LogoFailure{kPictureInvalid, name + " is " + std::to_string(width) + " x " +
                                            std::to_string(height) +
                                            " pixels, too large for a logo"};
}

LogoFailure UnreadablePicture(const std::string& name, const std::string& why) {
    return {kPictureInvalid, name + " is not a picture this tool can read (" + why + ")"};
}

LogoFailure MissingPicture(const std::string& name) {
    return {kLogoError, name + " does not exist"};
}

LogoBuild BuildLogoImageFromFiles(std::span<const LogoFile> files, const LogoLimits& limits,
                                  LogoDots dots) {
    LogoComposer composer(files.size(), limits, dots);
    for (const LogoFile& file : files) {
        if (!composer.Build().Ok())
            break;
        LogoFailure failure;
        const std::optional<LogoPicture> picture = DecodeLogoPicture(file, failure);
        if (!picture) {
            composer.Fail(failure);
            break;
        }
        composer.Append(*picture);
    }
    return composer.Take();
}
