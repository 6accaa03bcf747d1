// Picture files written byte by byte, in the forms other programs write
// them: a small test picture as every kind of Windows bitmap, and GIF,
// which Qt does not write. For the logo picture tests and for the sample
// pictures that scripts/wine-check decodes on both systems.
#pragma once

#include <cstdint>
#include <vector>

namespace picture_files {

using Bytes = std::vector<uint8_t>;

// The test picture, 7 x 5 so that rows need padding: colour indices into
// kPalette. White and blue are no dots; black and red are, so a swap of red
// and blue shows.
inline constexpr int kWidth = 7;
inline constexpr int kHeight = 5;
inline constexpr uint32_t kPalette[] = {0xFFFFFF, 0x000000, 0xFF0000, 0x0000FF};  // 0x00BBGGRR

// The palette index of pixel (x, y); a 1-bit bitmap has only the first two.
int IndexAt(int x, int y, int bitsPerPixel);

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// The test picture as a bitmap with `bits` per pixel (1, 4, 8, 16, 24, 32),
// stored as `compression` says (RLE8 with 8 bits, RLE4 with 4, bit fields
// with 16), bottom-up or top-down.
Bytes MakeBmp(int bits, Compression compression, bool topDown);

struct BmpForm {
    int bits;
    Compression compression;
    bool topDown;
};
// Every form Windows writes.
inline constexpr BmpForm kBmpForms[] = {
    {1, kRgb, false},  {1, kRgb, true},  {4, kRgb, false},  {4, kRle4, false},
    {8, kRgb, false},  {8, kRgb, true},  {8, kRle8, false}, {16, kBitfields, false},
    {24, kRgb, false}, {24, kRgb, true}, {32, kRgb, false}, {32, kRgb, true},
};

// A GIF of black and white pixels (1 a dot), row by row.
Bytes MakeGif(int width, int height, const std::vector<int>& pixels);

}  // namespace picture_files
