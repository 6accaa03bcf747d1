#include "picture_files.h"

#include <algorithm>

namespace picture_files {

int IndexAt(int x, int y, int bitsPerPixel) {
    const int index = (x * 3 + y * 5 + x * y) % 4;
    return bitsPerPixel == 1 ? index % 2 : index;
}

namespace {

void Put16(Bytes& out, uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}
void Put32(Bytes& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One row of pixels as stored uncompressed, padded to 4 bytes.
Bytes StoredRow(int y, int bits) {
    Bytes row;
    uint32_t pending = 0;
    int pendingBits = 0;
    for (int x = 0; x < kWidth; ++x) {
        const int index = IndexAt(x, y, bits);
        const uint32_t c = kPalette[index];
        const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        if (bits <= 8) {
            pending = (pending << bits) | static_cast<uint32_t>(index);
            pendingBits += bits;
            if (pendingBits == 8) {
                row.push_back(static_cast<uint8_t>(pending));
                pending = 0;
                pendingBits = 0;
            }
        } else if (bits == 16) {  // 5-6-5, as the bit fields say
            Put16(row, (r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
        } else {
            row.insert(row.end(),
                       {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
            if (bits == 32)
                row.push_back(0);  // Windows leaves the fourth byte 0
        }
    }
    if (pendingBits > 0)
        row.push_back(static_cast<uint8_t>(pending << (8 - pendingBits)));
    while (row.size() % 4 != 0)
        row.push_back(0);
    return row;
}

// A row run-length encoded as Windows does: a run of the first pixel, then
// the rest in absolute mode, word aligned.
Bytes EncodedRow(int y, int bits) {
    Bytes row = {1, static_cast<uint8_t>(bits == 4 ? IndexAt(0, y, 4) << 4 : IndexAt(0, y, 8))};
    const int rest = kWidth - 1;
    row.insert(row.end(), {0, static_cast<uint8_t>(rest)});
    Bytes literal;
    for (int x = 1; x < kWidth; ++x) {
        if (bits == 8)
            literal.push_back(static_cast<uint8_t>(IndexAt(x, y, 8)));
        else if (x % 2 == 1)
            literal.push_back(static_cast<uint8_t>(IndexAt(x, y, 4) << 4));
        else
            literal.back() |= static_cast<uint8_t>(IndexAt(x, y, 4));
    }
    if (literal.size() % 2 != 0)
        literal.push_back(0);
    row.insert(row.end(), literal.begin(), literal.end());
    row.insert(row.end(), {0, 0});  // end of line
    return row;
}

}  // namespace

Bytes MakeBmp(int bits, Compression compression, bool topDown) {
    Bytes pixels;
    for (int i = 0; i < kHeight; ++i) {
        const int y = topDown ? i : kHeight - 1 - i;
        const Bytes row =
            compression == kRle8 || compression == kRle4 ? EncodedRow(y, bits) : StoredRow(y, bits);
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    if (compression == kRle8 || compression == kRle4)
        pixels.insert(pixels.end(), {0, 1});  // end of bitmap

    Bytes extra;  // palette or bit fields
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            const uint32_t c = kPalette[i % 4];
            extra.insert(extra.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                       static_cast<uint8_t>(c), 0});
        }
    } else if (compression == kBitfields) {
        Put32(extra, 0xF800);
        Put32(extra, 0x07E0);
        Put32(extra, 0x001F);
    }
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(extra.size());
    Bytes file = {'B', 'M'};
    Put32(file, offset + static_cast<uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    Put32(file, 40);
    Put32(file, kWidth);
    Put32(file, static_cast<uint32_t>(topDown ? -kHeight : kHeight));
    Put16(file, 1);
    Put16(file, static_cast<uint32_t>(bits));
    Put32(file, compression);
    Put32(file, static_cast<uint32_t>(pixels.size()));
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, bits <= 8 ? 1u << bits : 0);
    Put32(file, 0);
    file.insert(file.end(), extra.begin(), extra.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// Every code is 3 bits: a clear code before each pixel keeps the code table
// from growing.
Bytes MakeGif(int width, int height, const std::vector<int>& pixels) {
    Bytes file = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(file, static_cast<uint32_t>(width));
    Put16(file, static_cast<uint32_t>(height));
    file.insert(file.end(), {0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0});  // white, black
    file.push_back(0x2C);
    Put32(file, 0);
    Put16(file, static_cast<uint32_t>(width));
    Put16(file, static_cast<uint32_t>(height));
    file.insert(file.end(), {0, 2});  // no local table; 2-bit minimum code size
    constexpr uint32_t kClear = 4, kEnd = 5;
    Bytes codes;
    uint32_t bits = 0;
    int count = 0;
    const auto put = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        for (; count >= 8; count -= 8, bits >>= 8)
            codes.push_back(static_cast<uint8_t>(bits));
    };
    for (const int pixel : pixels) {
        put(kClear);
        put(static_cast<uint32_t>(pixel));
    }
    put(kEnd);
    if (count > 0)
        codes.push_back(static_cast<uint8_t>(bits));
    // In sub-blocks of at most 255 bytes, each after its length.
    for (size_t at = 0; at < codes.size(); at += 255) {
        const size_t length = std::min<size_t>(255, codes.size() - at);
        file.push_back(static_cast<uint8_t>(length));
        file.insert(file.end(), codes.begin() + static_cast<long>(at),
                    codes.begin() + static_cast<long>(at + length));
    }
    file.insert(file.end(), {0, 0x3B});
    return file;
}

}  // namespace picture_files
