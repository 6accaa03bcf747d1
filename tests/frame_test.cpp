#include <gtest/gtest.h>

#include <string>

#include "frame.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(CommandFrame, MatchesTheKnownFramesByteForByte) {
    const std::string query = "DEVICE??";
    EXPECT_EQ(BuildCommandFrame(0x20, 0, reinterpret_cast<const uint8_t*>(query.data()), 8),
              (Bytes{0x03, 0xFF, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00,
                     0xD4, 0x18, 0x44, 0x45, 0x56, 0x49, 0x43, 0x45, 0x3F, 0x3F}));
    EXPECT_EQ(BuildCommandFrame(0x2B, 115200, nullptr, 0),
              (Bytes{0x03, 0xFF, 0x2B, 0x00, 0x00, 0xC2, 0x01, 0x00, 0x00, 0x00, 0x14, 0x00}));
    EXPECT_EQ(BuildCommandFrame(0x2F, 1, nullptr, 0),
              (Bytes{0x03, 0xFF, 0x2F, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD2, 0x00}));
}

TEST(CommandFrame, ParameterIsSentAsItsBitPatternAndLengthLittleEndian) {
    Bytes data(300, 0x5A);
    const Bytes frame = BuildCommandFrame(0x2F, 0xFFFFFFFFu, data.data(), 300);
    ASSERT_EQ(frame.size(), 312u);
    EXPECT_EQ(Bytes(frame.begin() + 4, frame.begin() + 8), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(frame[8], 0x2C);
    EXPECT_EQ(frame[9], 0x01);
    EXPECT_EQ(XorBytes(frame.data(), 11), 0);  // header check closes the header
    EXPECT_EQ(frame[11], 0x00);                // 300 equal bytes XOR to 0
    EXPECT_EQ(XorBytes(frame.data() + 12, 300), 0);
}

TEST(ReplyFrame, CarriesTheReplyMarkAndValidChecks) {
    const Bytes data{'Z', 'D', 'V', ' ', '7', '7', '1', '4'};
    const Bytes reply = BuildReplyFrame(0x20, 0, data.data(), 8);
    EXPECT_EQ(reply[1], 0xFE);
    EXPECT_EQ(XorBytes(reply.data(), 11), 0);
    EXPECT_EQ(reply[11] ^ XorBytes(reply.data() + 12, 8), 0);
}

}  // namespace
