#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logo_pictures.h"
#include "logo_preview.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The test picture, 7 x 5 so that rows need padding: colour indices into
// kPalette. White and blue are no dots; black and red are, so a swap of red
// and blue shows.
constexpr int kWidth = 7;
constexpr int kHeight = 5;
constexpr uint32_t kPalette[] = {0xFFFFFF, 0x000000, 0xFF0000, 0x0000FF};  // 0x00BBGGRR

int IndexAt(int x, int y, int bitsPerPixel) {
    const int index = (x * 3 + y * 5 + x * y) % 4;
    return bitsPerPixel == 1 ? index % 2 : index;
}

void Put16(Bytes& out, uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}
void Put32(Bytes& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

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

// A GIF of black and white pixels (1 a dot), row by row. Qt writes no GIF,
// so the test does: every code is 3 bits, and a clear code before each
// pixel keeps the code table from growing.
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
    file.push_back(static_cast<uint8_t>(codes.size()));
    file.insert(file.end(), codes.begin(), codes.end());
    file.insert(file.end(), {0, 0x3B});
    return file;
}

class LogoPictures : public ::testing::Test {
  protected:
    LogoPictures() {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("logo-pictures-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    ~LogoPictures() override { std::filesystem::remove_all(folder_); }

    LogoFile Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return {(folder_ / name).string(), name};
    }
    LogoFile Path(const std::string& name) const { return {(folder_ / name).string(), name}; }

    std::filesystem::path folder_;
};

// The dots the test picture must give, whatever form it was stored in.
std::vector<uint8_t> ExpectedImage(int bits) {
    LogoPicture picture{"expected", kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            picture.colours.push_back(kPalette[IndexAt(x, y, bits)]);
    }
    return BuildLogoImage(std::vector{picture}, {}).image;
}

TEST_F(LogoPictures, DecodesEveryBitmapFormWindowsWrites) {
    struct Case {
        int bits;
        Compression compression;
        bool topDown;
    };
    const Case cases[] = {
        {1, kRgb, false},  {1, kRgb, true},  {4, kRgb, false},  {4, kRle4, false},
        {8, kRgb, false},  {8, kRgb, true},  {8, kRle8, false}, {16, kBitfields, false},
        {24, kRgb, false}, {24, kRgb, true}, {32, kRgb, false}, {32, kRgb, true},
    };
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.bits) + "-" + std::to_string(c.compression) +
                                 (c.topDown ? "-top-down" : "") + ".bmp";
        SCOPED_TRACE(name);
        const LogoFile file = Write(name, MakeBmp(c.bits, c.compression, c.topDown));
        LogoFailure failure;
        const std::optional<LogoPicture> picture = DecodeLogoPicture(file, failure);
        ASSERT_TRUE(picture) << failure.Message();
        EXPECT_EQ(picture->width, kWidth);
        EXPECT_EQ(picture->height, kHeight);
        EXPECT_EQ(BuildLogoImage(std::vector{*picture}, {}).image, ExpectedImage(c.bits));
    }
}

TEST_F(LogoPictures, OtherFormatsDecodeAndTransparencyIsWhite) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));    // transparent black
    image.setPixel(1, 0, qRgba(0, 0, 0, 200));  // mostly opaque black
    image.setPixel(2, 0, qRgba(0, 0, 0, 100));  // mostly clear black
    ASSERT_TRUE(image.save(QString::fromStdString(Path("alpha.png").path)));
    LogoFailure failure;
    const auto png = DecodeLogoPicture(Path("alpha.png"), failure);
    ASSERT_TRUE(png) << failure.Message();
    const LogoBuild build = BuildLogoImage(std::vector{*png}, {});
    EXPECT_EQ(build.image[7], 0x5F);  // dots 1 and 3 to 7 of the first row; 0 and 2 white

    const auto gif =
        DecodeLogoPicture(Write("dots.gif", MakeGif(3, 2, {1, 0, 1, 0, 1, 0})), failure);
    ASSERT_TRUE(gif) << failure.Message();
    EXPECT_EQ(gif->colours, (std::vector<uint32_t>{0, 0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF}));

    // JPEG is lossy: large flat areas keep their side of the threshold.
    QImage halves(16, 8, QImage::Format_RGB32);
    halves.fill(Qt::white);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            halves.setPixel(x, y, qRgb(0, 0, 0));
    }
    ASSERT_TRUE(halves.save(QString::fromStdString(Path("halves.jpg").path), "JPG", 100));
    const auto jpeg = DecodeLogoPicture(Path("halves.jpg"), failure);
    ASSERT_TRUE(jpeg) << failure.Message();
    const LogoBuild jpegBuild = BuildLogoImage(std::vector{*jpeg}, {});
    for (size_t row = 0; row < 8; ++row)
        EXPECT_EQ(
            Bytes(jpegBuild.image.begin() + 7 + 2 * row, jpegBuild.image.begin() + 9 + 2 * row),
            (Bytes{0xFF, 0x00}))
            << row;
}

TEST_F(LogoPictures, AFileThatIsNoPictureEndsTheBuildNamingIt) {
    Write("good.bmp", MakeBmp(24, kRgb, false));
    Write("text.bmp", Bytes{'h', 'e', 'l', 'l', 'o'});
    // A header that claims 100000 x 100000 pixels and holds nothing.
    Bytes huge = MakeBmp(24, kRgb, false);
    huge[18] = 0xA0, huge[19] = 0x86, huge[20] = 0x01;  // width 100000
    huge[22] = 0xA0, huge[23] = 0x86, huge[24] = 0x01;  // height 100000
    Write("huge.bmp", huge);

    struct Case {
        const char* second;
        const char* title;
    };
    const Case cases[] = {
        {"text.bmp", kPictureInvalid},
        {"huge.bmp", kPictureInvalid},
        {"missing.bmp", kLogoError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        const std::vector<LogoFile> files = {Path("good.bmp"), Path(c.second), Path("good.bmp")};
        const LogoBuild build = BuildLogoImageFromFiles(files, {});
        ASSERT_FALSE(build.Ok());
        EXPECT_EQ(build.failure->title, c.title);
        EXPECT_NE(build.failure->reason.find(c.second), std::string::npos) << build.failure->reason;
        EXPECT_EQ(build.records.size(), 1u);  // the first picture, composed before
    }
    const LogoBuild sound =
        BuildLogoImageFromFiles(std::vector{Path("good.bmp"), Path("good.bmp")}, {});
    ASSERT_TRUE(sound.Ok());
    EXPECT_EQ(sound.records.size(), 2u);
}

TEST_F(LogoPictures, PreviewShowsTheDotsInTheOutlinedBox) {
    LogoPicture corner{"corner", 9, 1, std::vector<uint32_t>(9, 0xFFFFFF)};
    corner.colours[0] = 0;
    const LogoBuild build = BuildLogoImage(std::vector{corner, corner}, {});
    const QImage one = LogoRecordPreview(build, 0);
    ASSERT_EQ(one.size(), QSize(16 + 2, 8 + 2));
    // The box's dots inside a one-pixel outline: dot (3, 3) is the only one.
    for (int y = 1; y <= 8; ++y) {
        for (int x = 1; x <= 16; ++x) {
            const bool dot = x == 1 + 3 && y == 1 + 3;
            EXPECT_EQ(one.pixel(x, y), dot ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << x << "," << y;
        }
    }
    EXPECT_NE(one.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_NE(one.pixel(17, 9), qRgb(255, 255, 255));

    const QImage both = LogoImagePreview(build);
    EXPECT_EQ(both.width(), one.width());
    EXPECT_GT(both.height(), 2 * one.height());
    EXPECT_EQ(both.copy(0, both.height() - one.height(), one.width(), one.height()), one);

    std::string error;
    EXPECT_TRUE(SaveLogoPreview(build, Path("preview.png").path, error)) << error;
    EXPECT_EQ(QImage(QString::fromStdString(Path("preview.png").path)).size(), both.size());
    EXPECT_FALSE(SaveLogoPreview(build, Path("no/such/folder/preview.png").path, error));
    EXPECT_NE(error.find("preview.png"), std::string::npos);
}

}  // namespace
