// What the printer will print of a logo image: its dots at 1:1, black on
// white, each picture's padded box outlined.
#pragma once

#include <QImage>
#include <string>

#include "logo_image.h"

// One picture of the image.
QImage LogoRecordPreview(const LogoBuild& build, size_t record);
// Every picture, one below the other.
QImage LogoImagePreview(const LogoBuild& build);
// LogoImagePreview as a PNG file; false with the reason when it cannot be
// written.
bool SaveLogoPreview(const LogoBuild& build, const std::string& path, std::string& error);
