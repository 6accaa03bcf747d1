// What the printer will print of a logo image: its dots at 1:1, black on
// white, each picture's padded box outlined, as plain pixels that any face
// can show (logo_preview.h turns them into a QImage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "logo_image.h"

struct LogoPreviewPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row by row, the top row first

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

inline constexpr uint32_t kPreviewDot = 0x000000;
inline constexpr uint32_t kPreviewBlank = 0xFFFFFF;
inline constexpr uint32_t kPreviewOutline = 0x4080FF;

// One picture of the image; empty (0 x 0) for a record that is not there.
LogoPreviewPixels LogoRecordPreviewPixels(const LogoBuild& build, size_t record);
// Every picture, one below the other.
LogoPreviewPixels LogoImagePreviewPixels(const LogoBuild& build);

// LogoImagePreviewPixels as a PNG file; false with the reason when it
// cannot be written. Qt writes it on Linux and macOS (logo_preview_qt.cpp),
// the Windows Imaging Component on Windows (logo_preview_wic.cpp).
bool SaveLogoPreview(const LogoBuild& build, const std::string& path, std::string& error);
