#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "logo_dots.h"
#include "logo_image.h"

namespace {

constexpr uint32_t kNavy = 0x800000;  // 0x00BBGGRR: blue 0x80
constexpr uint32_t kYellow = 0x00FFFF;

uint32_t Grey(int value) {
    const auto v = static_cast<uint32_t>(value);
    return v | v << 8 | v << 16;
}

LogoPicture OneColour(int64_t width, int64_t height, uint32_t colour) {
    return {"p.png", width, height,
            std::vector<uint32_t>(static_cast<size_t>(width * height), colour)};
}

double Density(const std::vector<uint8_t>& dots, size_t from, size_t to) {
    return std::accumulate(dots.begin() + static_cast<long>(from),
                           dots.begin() + static_cast<long>(to), 0.0) /
           static_cast<double>(to - from);
}

TEST(LogoDots, EachRuleGivesItsDotsOnFlatColours) {
    struct Case {
        const char* what;
        uint32_t colour;
        double blue, brightness;
        double ditherLow, ditherHigh;  // share of dots
    };
    const Case cases[] = {
        // Dark to the eye but blue at half: the blue rule prints nothing.
        {"navy", kNavy, 0, 1, 1, 1},
        // Light to the eye, no blue: the blue rule prints it black.
        {"yellow", kYellow, 1, 0, 0, 0},
        {"mid grey", Grey(0x80), 0, 0, 0.35, 0.65},
        {"grey just darker", Grey(0x7F), 1, 1, 0.35, 0.65},
        {"black", Grey(0), 1, 1, 1, 1},
        {"white", Grey(0xFF), 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LogoPicture picture = OneColour(32, 32, c.colour);
        const auto all = picture.colours.size();
        EXPECT_EQ(Density(LogoPictureDots(picture, LogoDots::Blue), 0, all), c.blue);
        EXPECT_EQ(Density(LogoPictureDots(picture, LogoDots::Brightness), 0, all), c.brightness);
        const double dither = Density(LogoPictureDots(picture, LogoDots::Dither), 0, all);
        EXPECT_GE(dither, c.ditherLow);
        EXPECT_LE(dither, c.ditherHigh);
    }
}

TEST(LogoDots, DitherDensityRisesWithDarkness) {
    // 64 dots wide, one grey a row from white (top) to black (bottom).
    constexpr int kRows = 256;
    constexpr int kWidth = 64;
    LogoPicture ramp = OneColour(kWidth, kRows, 0);
    for (int y = 0; y < kRows; ++y)
        std::fill_n(ramp.colours.begin() + y * kWidth, kWidth, Grey(255 - y));
    const std::vector<uint8_t> dots = LogoPictureDots(ramp, LogoDots::Dither);
    constexpr int kBands = 8;
    constexpr size_t kBand = kRows / kBands * kWidth;
    std::vector<double> densities;
    for (size_t band = 0; band < kBands; ++band)
        densities.push_back(Density(dots, band * kBand, (band + 1) * kBand));
    for (size_t band = 1; band < kBands; ++band)
        EXPECT_GE(densities[band], densities[band - 1] + 0.05) << "band " << band;
    EXPECT_LT(densities.front(), 0.05);
    EXPECT_GT(densities.back(), 0.95);
}

TEST(LogoDots, AdviceOnlyWhereBlueAndBrightnessDisagreeOnMuch) {
    LogoPicture greys = OneColour(256, 4, 0);
    for (size_t i = 0; i < greys.colours.size(); ++i)
        greys.colours[i] = Grey(static_cast<int>(i % 256));
    LogoPicture blackAndWhite = OneColour(16, 16, Grey(255));
    std::fill_n(blackAndWhite.colours.begin(), 100, Grey(0));
    // A navy panel on a fifth of a white logo: prints nothing under blue.
    LogoPicture navyPanel = OneColour(20, 20, Grey(255));
    std::fill_n(navyPanel.colours.begin(), 80, kNavy);
    LogoPicture smallStar = navyPanel;  // a yellow spot on a twenty-fifth
    std::fill_n(smallStar.colours.begin(), 80, Grey(255));
    std::fill_n(smallStar.colours.begin(), 16, kYellow);
    // A mid-tone blue sky: dark to the eye, light to the blue rule.
    const LogoPicture sky = OneColour(20, 20, 0xAA5A28);

    struct Case {
        const char* what;
        const LogoPicture& picture;
        double disagreement;
        bool large;
        LogoDots suggestion;
    };
    const Case cases[] = {
        {"every grey", greys, 0, false, LogoDots::Brightness},
        {"black and white", blackAndWhite, 0, false, LogoDots::Brightness},
        {"navy panel", navyPanel, 0.2, true, LogoDots::Brightness},
        {"small yellow star", smallStar, 0.04, false, LogoDots::Brightness},
        {"sky", sky, 1, true, LogoDots::Dither},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LogoDotsAdvice advice = AdviseLogoDots(c.picture);
        EXPECT_DOUBLE_EQ(advice.disagreement, c.disagreement);
        EXPECT_EQ(advice.Large(), c.large);
        if (c.large) {
            EXPECT_EQ(advice.suggestion, c.suggestion);
        }
    }
    // The composer notes it for each record, whatever the conversion.
    const LogoBuild build = BuildLogoImage(std::vector{greys, navyPanel}, {}, LogoDots::Dither);
    ASSERT_TRUE(build.Ok());
    EXPECT_FALSE(build.records[0].advice.Large());
    EXPECT_DOUBLE_EQ(build.records[1].advice.disagreement, 0.2);
}

TEST(LogoDots, WordsNameTheConversions) {
    for (LogoDots dots : kLogoDotsChoices)
        EXPECT_EQ(ParseLogoDots(LogoDotsWord(dots)), dots);
    EXPECT_EQ(ParseLogoDots("Brightness"), LogoDots::Brightness);
    for (const char* word : {"", "dithering", "blue ", "grey"})
        EXPECT_FALSE(ParseLogoDots(word)) << word;
}

TEST(LogoDots, OnlyTheDotsDifferBetweenConversions) {
    // 10 x 3 in a 16 x 8 box: navy is a dot for brightness and dither alone.
    const LogoPicture navy = OneColour(10, 3, kNavy);
    const LogoBuild blue = BuildLogoImage(std::vector{navy}, {});
    const LogoBuild dark = BuildLogoImage(std::vector{navy}, {}, LogoDots::Brightness);
    ASSERT_TRUE(blue.Ok() && dark.Ok());
    ASSERT_EQ(blue.image.size(), dark.image.size());
    EXPECT_EQ(std::vector(blue.image.begin(), blue.image.begin() + 7),
              std::vector(dark.image.begin(), dark.image.begin() + 7));
    for (size_t y = 0; y < 8; ++y) {
        for (size_t x = 0; x < 16; ++x) {
            EXPECT_FALSE(LogoDot(blue.image, blue.records[0], x, y));
            const bool inside = x >= 3 && x < 13 && y >= 2 && y < 5;
            EXPECT_EQ(LogoDot(dark.image, dark.records[0], x, y), inside) << x << "," << y;
        }
    }
}

}  // namespace
