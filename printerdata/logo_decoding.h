// What the two picture decoders share (Qt's in logo_pictures_qt.cpp, the
// Windows Imaging Component's in logo_pictures_wic.cpp): the size limit,
// the failure texts, and how transparency becomes white. Only they include
// this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logo_image.h"

// One pixel over white by its opacity, as 0x00BBGGRR; each channel 0..255.
uint32_t ColourOverWhite(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);

// The refusal of a picture above `maxPixels`, told by its header before
// anything is decoded; nothing when it is within.
std::optional<LogoFailure> PictureTooLarge(const std::string& name, int64_t width, int64_t height,
                                           int64_t maxPixels);

// "NAME is not a picture this tool can read (WHY)".
LogoFailure UnreadablePicture(const std::string& name, const std::string& why);

// "NAME does not exist".
LogoFailure MissingPicture(const std::string& name);
