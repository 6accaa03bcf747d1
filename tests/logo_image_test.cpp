#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logo_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

LogoPicture Filled(int64_t width, int64_t height, uint32_t colour, std::string name = "p.bmp") {
    return {std::move(name), width, height,
            std::vector<uint32_t>(static_cast<size_t>(width * height), colour)};
}

Bytes Header(const LogoBuild& build, size_t record) {
    const auto at = build.image.begin() + static_cast<long>(build.records.at(record).offset);
    return Bytes(at, at + 4);
}

TEST(LogoImage, CentresEachPictureInItsPaddedBoxWithTheLeftmostDotHighest) {
    struct Case {
        int64_t width, height;
        Bytes header;
        size_t imageSize;
        size_t leftPad, topPad;
    };
    const Case cases[] = {
        {100, 50, {0x0D, 0x00, 0x07, 0x00}, 735, 2, 3},
        {384, 1, {0x30, 0x00, 0x01, 0x00}, 3 + 4 + 8 * 48, 0, 3},
        {9, 1, {0x02, 0x00, 0x01, 0x00}, 3 + 4 + 8 * 2, 3, 3},
        {8, 16, {0x01, 0x00, 0x02, 0x00}, 3 + 4 + 16, 0, 0},
        {1, 7, {0x01, 0x00, 0x01, 0x00}, 3 + 4 + 8, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const LogoBuild build = BuildLogoImage(std::vector{Filled(c.width, c.height, kBlack)}, {});
        ASSERT_TRUE(build.Ok()) << build.failure->Message();
        EXPECT_EQ(Bytes(build.image.begin(), build.image.begin() + 3), (Bytes{0xAA, 0xDD, 0x01}));
        EXPECT_EQ(Header(build, 0), c.header);
        EXPECT_EQ(build.image.size(), c.imageSize);
        const LogoRecord& record = build.records[0];
        for (size_t y = 0; y < record.rows; ++y) {
            for (size_t x = 0; x < record.bytesPerRow * 8; ++x) {
                const bool inside = x >= c.leftPad && x < c.leftPad + c.width && y >= c.topPad &&
                                    y < c.topPad + c.height;
                ASSERT_EQ(LogoDot(build.image, record, x, y), inside) << x << "," << y;
            }
        }
    }
    // 9 wide: the picture's first column is dot 3, bit 0x10 of the row's first byte.
    const LogoBuild nine = BuildLogoImage(std::vector{Filled(9, 1, kBlack)}, {});
    EXPECT_EQ(nine.image[7 + 3 * 2], 0x1F);
    EXPECT_EQ(nine.image[7 + 3 * 2 + 1], 0xF0);
}

TEST(LogoImage, RowsRunTopToBottomAndLeftToRight) {
    // 10 x 3: 3 pad dots left, 2 rows on top; two records in list order.
    LogoPicture corners = Filled(10, 3, kWhite);
    corners.colours[0] = kBlack;           // top left
    corners.colours[2 * 10 + 9] = kBlack;  // bottom right
    const LogoBuild build =
        BuildLogoImage(std::vector{corners, Filled(8, 8, kWhite)}, LogoLimits{});
    ASSERT_TRUE(build.Ok());
    const Bytes expected = {0xAA, 0xDD, 0x02,        // two pictures
                            0x02, 0x00, 0x01, 0x00,  // 2 bytes a row, 1 band
                            0x00, 0x00,              // top pad
                            0x00, 0x00,              //
                            0x10, 0x00,              // dot 3
                            0x00, 0x00,              //
                            0x00, 0x08,              // dot 12
                            0x00, 0x00,              // bottom pad
                            0x00, 0x00,              //
                            0x00, 0x00,              //
                            0x01, 0x00, 0x01, 0x00,  // the white square
                            0,    0,    0,    0,    0, 0, 0, 0};
    EXPECT_EQ(build.image, expected);
    // The blue rule chosen by name composes the same bytes as always.
    EXPECT_EQ(BuildLogoImage(std::vector{corners, Filled(8, 8, kWhite)}, {}, LogoDots::Blue).image,
              expected);
}

TEST(LogoImage, ADotIsAColourWhoseBlueIsBelowHalf) {
    const std::pair<uint32_t, bool> cases[] = {
        {8388607, true},     // blue 0x7F, green and red 0xFF
        {8388608, false},    // blue 0x80
        {0x000000, true},    // black
        {0x0000FF, true},    // red
        {0x00FF00, true},    // green
        {0x00FFFF, true},    // yellow
        {0x7F7F7F, true},    // dark grey
        {0x808080, false},   // grey
        {0xFFFFFF, false},   // white
        {0xFF0000, false},   // blue
        {0xFFFF00, false},   // cyan
        {0xFF00FF, false},   // magenta
        {0xFFFFFFFF, true},  // a colour that could not be read
    };
    for (const auto& [colour, dot] : cases) {
        const LogoBuild build = BuildLogoImage(std::vector{Filled(8, 8, colour)}, {});
        ASSERT_TRUE(build.Ok());
        EXPECT_EQ(LogoDot(build.image, build.records[0], 0, 0), dot) << std::hex << colour;
    }
}

TEST(LogoImage, RefusesWhatTheImageOrThePrinterCannotHold) {
    struct Case {
        const char* what;
        std::vector<LogoPicture> pictures;
        LogoLimits limits;
        const char* title;  // nullptr: composed
        size_t imageSize;   // when composed
    };
    const Case cases[] = {
        {"the widest picture", {Filled(384, 1, kBlack)}, {}, nullptr, 391},
        {"one dot wider", {Filled(385, 1, kBlack, "wide.bmp")}, {}, kPictureInvalid, 0},
        {"no rows", {Filled(5, 0, kBlack, "flat.bmp")}, {}, kPictureInvalid, 0},
        {"fills the memory", {Filled(384, 1360, kWhite)}, {}, nullptr, 65287},
        {"8 rows more", {Filled(384, 1368, kWhite, "tall.bmp")}, {}, kLogoError, 0},
        // The record's header counts: 3 + 4 + 384 bytes do not fit in 390.
        {"header beyond the memory",
         {Filled(384, 1, kWhite, "edge.bmp")},
         {390, 384},
         kLogoError,
         0},
        {"exactly the memory", {Filled(384, 1, kWhite)}, {391, 384}, nullptr, 391},
        // A row of more than 65535 bytes cannot be described in the header.
        {"row beyond the header",
         {Filled(65536 * 8 + 1, 1, kWhite, "long.bmp")},
         {1 << 30, 1 << 30},
         kPictureInvalid,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LogoBuild build = BuildLogoImage(c.pictures, c.limits);
        if (!c.title) {
            ASSERT_TRUE(build.Ok()) << build.failure->Message();
            EXPECT_EQ(build.image.size(), c.imageSize);
            EXPECT_LE(static_cast<int64_t>(build.image.size()), c.limits.size);
            continue;
        }
        ASSERT_FALSE(build.Ok());
        EXPECT_EQ(build.failure->title, c.title);
        EXPECT_NE(build.failure->reason.find(c.pictures.back().name), std::string::npos)
            << build.failure->reason;
    }
}

TEST(LogoImage, StopsAtTheFirstFailureAndCountsAtMost255Pictures) {
    // What was composed before a failure stays; nothing of the failing one.
    const LogoBuild partial = BuildLogoImage(
        std::vector{Filled(8, 8, kBlack), Filled(400, 1, kBlack, "wide.bmp"), Filled(8, 8, kBlack)},
        {});
    ASSERT_FALSE(partial.Ok());
    EXPECT_EQ(partial.image.size(), 3u + 4 + 8);
    EXPECT_EQ(partial.records.size(), 1u);

    const LogoBuild empty = BuildLogoImage({}, {});
    ASSERT_TRUE(empty.Ok());
    EXPECT_EQ(empty.image, (Bytes{0xAA, 0xDD, 0x00}));

    std::vector<LogoPicture> many(255, Filled(1, 1, kBlack));
    const LogoBuild full = BuildLogoImage(many, {});
    ASSERT_TRUE(full.Ok());
    EXPECT_EQ(full.image[2], 0xFF);
    EXPECT_EQ(full.image.size(), 3u + 255 * (4 + 8));

    many.push_back(Filled(1, 1, kBlack));  // the count byte would say 0
    const LogoBuild tooMany = BuildLogoImage(many, {});
    ASSERT_FALSE(tooMany.Ok());
    EXPECT_EQ(tooMany.failure->title, kLogoError);
    EXPECT_NE(tooMany.failure->reason.find("256 pictures"), std::string::npos);
    EXPECT_TRUE(tooMany.records.empty());
}

TEST(LogoImage, SpaceTextGroupsThousands) {
    const std::tuple<int64_t, int64_t, const char*> cases[] = {
        {735, 65536, "SPACE: 0,735 Used, 64,801 Free"},
        {3, 65536, "SPACE: 0,003 Used, 65,533 Free"},
        {1005, 65536, "SPACE: 1,005 Used, 64,531 Free"},
        {65536, 65536, "SPACE: 65,536 Used, 0,000 Free"},
        {3, 0, "SPACE: 0,003 Used, -0,003 Free"},
        {3, 5000000000, "SPACE: 0,003 Used, 4999999,997 Free"},
    };
    for (const auto& [used, size, text] : cases)
        EXPECT_EQ(LogoSpaceText(used, size), text);
}

}  // namespace
