#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logo_pictures.h"
#include "logo_preview.h"
#include "picture_files.h"

namespace {

using namespace picture_files;

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
    for (const BmpForm& c : kBmpForms) {
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
