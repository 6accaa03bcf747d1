#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "firmware_check.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutWord(Bytes& image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t WordSum(const Bytes& image) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 4 <= image.size(); i += 4)
        sum += static_cast<uint32_t>(image[i]) | (static_cast<uint32_t>(image[i + 1]) << 8) |
               (static_cast<uint32_t>(image[i + 2]) << 16) |
               (static_cast<uint32_t>(image[i + 3]) << 24);
    return sum;
}

// An image of `size` bytes with varied content, its length at offset 4 and
// word 2 chosen so that all words add up to 0.
Bytes SoundImage(size_t size) {
    Bytes image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 37 + 11);
    PutWord(image, 4, static_cast<uint32_t>(size));
    PutWord(image, 8, 0);
    PutWord(image, 8, 0u - WordSum(image));
    return image;
}

TEST(FirmwareCheck, AcceptsAnImageWhoseLengthAndWordSumAreRight) {
    for (size_t size : {256u, 1000u, 4096u + 256u}) {
        const FirmwareCheckResult result = CheckFirmwareImage(SoundImage(size));
        EXPECT_TRUE(result.Sound()) << size << ": " << result.reason;
        EXPECT_EQ(result.statedLength, size);
        EXPECT_TRUE(result.reason.empty());
    }
}

TEST(FirmwareCheck, RejectsAnImageShorterThan256BytesWhateverItHolds) {
    Bytes image = SoundImage(256);
    image.pop_back();
    PutWord(image, 4, 255);
    const FirmwareCheckResult result = CheckFirmwareImage(image);
    EXPECT_EQ(result.verdict, FirmwareVerdict::TooShort);
    EXPECT_NE(result.reason.find("255"), std::string::npos) << result.reason;
    EXPECT_EQ(CheckFirmwareImage(Bytes{}).verdict, FirmwareVerdict::TooShort);
}

TEST(FirmwareCheck, RejectsAStatedLengthOneAwayFromTheRealOneEvenWithAZeroSum) {
    for (int delta : {-1, +1}) {
        Bytes image = SoundImage(512);
        // Move the difference into word 3 so the sum stays 0.
        PutWord(image, 4, static_cast<uint32_t>(512 + delta));
        const uint32_t word3 = image[12] | (image[13] << 8) | (image[14] << 16) |
                               (static_cast<uint32_t>(image[15]) << 24);
        PutWord(image, 12, word3 - static_cast<uint32_t>(delta));
        ASSERT_EQ(WordSum(image), 0u);
        const FirmwareCheckResult result = CheckFirmwareImage(image);
        EXPECT_EQ(result.verdict, FirmwareVerdict::LengthMismatch) << delta;
        EXPECT_EQ(result.statedLength, static_cast<uint32_t>(512 + delta));
    }
}

TEST(FirmwareCheck, RejectsAWrongSumAndNamesIt) {
    Bytes image = SoundImage(256);
    image[100] ^= 0x01;
    const FirmwareCheckResult result = CheckFirmwareImage(image);
    EXPECT_EQ(result.verdict, FirmwareVerdict::BadSum);
    EXPECT_NE(result.sum, 0u);
    EXPECT_NE(result.reason.find("add up"), std::string::npos) << result.reason;
}

TEST(FirmwareCheck, TheTrailingBytesBeyondTheLastWholeWordAreNotSummed) {
    Bytes image = SoundImage(258);
    ASSERT_TRUE(CheckFirmwareImage(image).Sound());
    image[256] ^= 0xFF;
    image[257] = 0x5A;
    EXPECT_TRUE(CheckFirmwareImage(image).Sound());
}

TEST(FirmwareCheck, TheSumWrapsAroundAt32Bits) {
    Bytes image(256, 0);
    PutWord(image, 4, 256);
    PutWord(image, 8, 0xFFFFFFFFu);  // cancels with the 1 below
    PutWord(image, 12, 1);
    PutWord(image, 16, 0u - 256u);  // cancels with the stated length
    EXPECT_TRUE(CheckFirmwareImage(image).Sound());
    PutWord(image, 12, 0);
    EXPECT_EQ(CheckFirmwareImage(image).sum, 0xFFFFFFFFu);
}

}  // namespace
