// How a picture's colours become the printer's dots. The colours are those of
// a decoded picture, transparent pixels already laid over white.
//
//   blue        the dot rule logos have always been made for: a dot where
//               the blue component is below 0x80, whatever red and green.
//               The default, so that pictures prepared for it print as before.
//   brightness  a dot where the luma is below 128: pictures as people see them.
//   dither      Atkinson error diffusion of the luma: photos and gradients as
//               dot densities.
//
// Luma uses the BT.601 weights (0.299 R + 0.587 G + 0.114 B) on the stored,
// gamma-encoded values: the grey that JPEG stores and that picture editors
// show for "greyscale", so a picture prints as its grey version looks. The
// weights add up to exactly one, so a grey keeps its value and the blue rule
// and brightness agree on every grey.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct LogoPicture;

enum class LogoDots { Blue, Brightness, Dither };

inline constexpr std::array<LogoDots, 3> kLogoDotsChoices = {LogoDots::Blue, LogoDots::Brightness,
                                                             LogoDots::Dither};

// "blue", "brightness", "dither": the words the command line and the
// configuration use.
const char* LogoDotsWord(LogoDots dots);
// The conversion a word names, in any case; nothing for another word.
std::optional<LogoDots> ParseLogoDots(std::string_view word);

// 0 (black) to 255 (white); the top byte of the colour is ignored.
uint8_t LogoLuma(uint32_t colour);

// The picture's dots, row by row from the top: 1 where the printer prints.
std::vector<uint8_t> LogoPictureDots(const LogoPicture& picture, LogoDots dots);

// From this share of a picture's pixels on, the blue rule and brightness
// disagree enough to say so: a coloured panel of a shop logo or a blue
// button of a screenshot passes it, a stray coloured spot does not.
inline constexpr double kLogoDotsLargeDisagreement = 0.05;

// Whether a picture will look under the blue rule as it looks on screen.
struct LogoDotsAdvice {
    double disagreement = 0;  // share of the pixels on which blue and brightness differ
    // What to try instead: dither for photos and gradients (mostly mid-tones),
    // brightness for the rest.
    LogoDots suggestion = LogoDots::Brightness;

    bool Large() const { return disagreement >= kLogoDotsLargeDisagreement; }
};

LogoDotsAdvice AdviseLogoDots(const LogoPicture& picture);
