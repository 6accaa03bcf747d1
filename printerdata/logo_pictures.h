// Logo pictures read from files: BMP in every form Windows writes (1, 4, 8,
// 16, 24 and 32 bits per pixel, bottom-up or top-down, RLE4 and RLE8), and
// PNG, GIF and JPEG. Transparent pixels count as white.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "logo_image.h"

// Larger pictures are refused before they are decoded: a file's header
// alone must not make the tool allocate without bound. No picture of this
// size fits a logo memory of less than 2 MB anyway.
inline constexpr int64_t kMaxLogoPicturePixels = 16 * 1024 * 1024;

struct LogoFile {
    std::string path;  // UTF-8
    std::string name;  // how messages name it
};

// The picture's colours; nothing, with the failure, when the file is missing
// or does not decode.
std::optional<LogoPicture> DecodeLogoPicture(const LogoFile& file, LogoFailure& failure);

// The same for a picture already in memory (its format told by its bytes),
// refused above `maxPixels`; a caller that decodes untrusted bytes in bulk
// passes a tighter limit than a file's.
std::optional<LogoPicture> DecodeLogoPictureBytes(std::span<const uint8_t> bytes,
                                                  const std::string& name, LogoFailure& failure,
                                                  int64_t maxPixels = kMaxLogoPicturePixels);

// The image of the files in order; each file is decoded just before it is
// composed, and the first that fails ends the build.
LogoBuild BuildLogoImageFromFiles(std::span<const LogoFile> files, const LogoLimits& limits,
                                  LogoDots dots = LogoDots::Blue);
