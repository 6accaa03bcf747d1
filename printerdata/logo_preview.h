// The preview of a logo image (logo_preview_pixels.h) as a QImage, for the
// Qt window and the tools built with Qt.
#pragma once

#include <QImage>

#include "logo_preview_pixels.h"

// One picture of the image.
QImage LogoRecordPreview(const LogoBuild& build, size_t record);
// Every picture, one below the other.
QImage LogoImagePreview(const LogoBuild& build);
