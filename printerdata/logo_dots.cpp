#include "logo_dots.h"

#include <cctype>
#include <cstddef>
#include <string>

#include "logo_image.h"

namespace {

constexpr int kThreshold = 128;  // below: a dot
constexpr int kWhite = 255;

// Luma between these counts as a mid-tone: neither paper nor ink.
constexpr int kMidToneLow = 48;
constexpr int kMidToneHigh = 208;
// A picture that is mostly mid-tones is a photo or a gradient.
constexpr double kPhotoMidTones = 0.5;

// The rule as the printer's tool has always applied it: the colour as a
// signed value, so that anything with the top bits set counts as a dot.
bool BlueDot(uint32_t colour) {
    return static_cast<int32_t>(colour) < (1 << 23);
}

bool BrightnessDot(uint32_t colour) {
    return LogoLuma(colour) < kThreshold;
}

// Atkinson: each pixel passes an eighth of its error to six neighbours and
// drops the other quarter. Near-white and near-black areas stay clean (no
// stray dots in a JPEG's background, solid text), and the lighter mid-tones
// leave room for the dots spreading on thermal paper.
std::vector<uint8_t> Dither(const LogoPicture& picture) {
    const size_t width = static_cast<size_t>(picture.width);
    const size_t height = static_cast<size_t>(picture.height);
    std::vector<uint8_t> dots(width * height, 0);
    // The error for this row and the next two; column x is at x + 1, with
    // room for x - 1 and x + 2.
    std::array<std::vector<int>, 3> error;
    for (std::vector<int>& row : error)
        row.assign(width + 3, 0);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            const int value = LogoLuma(picture.colours[y * width + x]) + error[0][x + 1];
            const bool dot = value < kThreshold;
            dots[y * width + x] = dot ? 1 : 0;
            const int eighth = (value - (dot ? 0 : kWhite)) / 8;
            error[0][x + 2] += eighth;
            error[0][x + 3] += eighth;
            error[1][x] += eighth;
            error[1][x + 1] += eighth;
            error[1][x + 2] += eighth;
            error[2][x + 1] += eighth;
        }
        std::swap(error[0], error[1]);
        std::swap(error[1], error[2]);
        error[2].assign(width + 3, 0);
    }
    return dots;
}

template <typename Rule>
std::vector<uint8_t> EachPixel(const LogoPicture& picture, Rule isDot) {
    std::vector<uint8_t> dots(picture.colours.size());
    for (size_t i = 0; i < dots.size(); ++i)
        dots[i] = isDot(picture.colours[i]) ? 1 : 0;
    return dots;
}

}  // namespace

const char* LogoDotsWord(LogoDots dots) {
    switch (dots) {
        case LogoDots::Brightness:
            return "brightness";
        case LogoDots::Dither:
            return "dither";
        case LogoDots::Blue:
            break;
    }
    return "blue";
}

std::optional<LogoDots> ParseLogoDots(std::string_view word) {
    std::string lower(word);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (LogoDots dots : kLogoDotsChoices) {
        if (lower == LogoDotsWord(dots))
            return dots;
    }
    return std::nullopt;
}

uint8_t LogoLuma(uint32_t colour) {
    const uint32_t red = colour & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t blue = (colour >> 16) & 0xFF;
    return static_cast<uint8_t>((299 * red + 587 * green + 114 * blue + 500) / 1000);
}

std::vector<uint8_t> LogoPictureDots(const LogoPicture& picture, LogoDots dots) {
    switch (dots) {
        case LogoDots::Brightness:
            return EachPixel(picture, BrightnessDot);
        case LogoDots::Dither:
            return Dither(picture);
        case LogoDots::Blue:
            break;
    }
    return EachPixel(picture, BlueDot);
}

LogoDotsAdvice AdviseLogoDots(const LogoPicture& picture) {
    LogoDotsAdvice advice;
    if (picture.colours.empty())
        return advice;
    size_t disagree = 0;
    size_t midTones = 0;
    for (uint32_t colour : picture.colours) {
        const int luma = LogoLuma(colour);
        disagree += BlueDot(colour) != (luma < kThreshold) ? 1 : 0;
        midTones += luma >= kMidToneLow && luma < kMidToneHigh ? 1 : 0;
    }
    const double pixels = static_cast<double>(picture.colours.size());
    advice.disagreement = static_cast<double>(disagree) / pixels;
    advice.suggestion = static_cast<double>(midTones) / pixels > kPhotoMidTones
                            ? LogoDots::Dither
                            : LogoDots::Brightness;
    return advice;
}
