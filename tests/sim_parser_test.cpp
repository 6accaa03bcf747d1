#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "command_parser.h"
#include "frame.h"
#include "wire_timing.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Command(uint16_t code, uint32_t parameter, const Bytes& data = {}) {
    return BuildCommandFrame(code, parameter, data.data(), static_cast<int>(data.size()));
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<CommandFrameIn> FeedAll(CommandFrameParser& parser, const Bytes& bytes) {
    return parser.Feed(bytes.data(), bytes.size());
}

TEST(SimParser, TakesFramesWholeOrByteByByte) {
    const Bytes a = Command(0x20, 0, {'D', 'E', 'V', 'I', 'C', 'E', '?', '?'});
    const Bytes b = Command(0x2F, 0xFFFFFFFF);
    const Bytes stream = Join({a, b});
    CommandFrameParser whole;
    auto frames = FeedAll(whole, stream);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 0x20);
    EXPECT_EQ(frames[0].data, Bytes({'D', 'E', 'V', 'I', 'C', 'E', '?', '?'}));
    EXPECT_EQ(frames[1].code, 0x2F);
    EXPECT_EQ(frames[1].parameter, 0xFFFFFFFFu);
    EXPECT_TRUE(frames[1].data.empty());

    CommandFrameParser bytewise;
    std::vector<CommandFrameIn> one;
    for (uint8_t byte : stream) {
        for (auto& f : bytewise.Feed(&byte, 1))
            one.push_back(std::move(f));
    }
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].data, frames[0].data);
    EXPECT_EQ(whole.DiscardedBytes(), 0u);
    EXPECT_EQ(bytewise.DiscardedBytes(), 0u);
}

TEST(SimParser, SkipsNoiseAndTakesTheLastOfRepeatedStartBytes) {
    const Bytes frame = Command(0x2B, 115200);
    CommandFrameParser parser;
    // 03 03 FF: the second 03 starts the frame; 03 41 is no start at all.
    const auto frames = FeedAll(parser, Join({{0x00, 0x41, 0x03, 0x41, 0x03}, frame}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].parameter, 115200u);
    EXPECT_EQ(parser.DiscardedBytes(), 5u);
}

TEST(SimParser, DropsBadChecksAndFindsTheFrameHiddenBehindThem) {
    const Bytes good = Command(0x60, 0, Bytes(16, 0x11));
    Bytes badHeader = Command(0x20, 0, {1, 2, 3});
    badHeader[10] ^= 0x01;
    Bytes badData = Command(0x61, 0, {'A', 0, 'B', 0});
    badData[11] ^= 0x01;
    CommandFrameParser parser;
    const auto frames = FeedAll(parser, Join({badHeader, badData, good}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 0x60);
    EXPECT_EQ(parser.DroppedFrames(), 2u);
    EXPECT_EQ(parser.DiscardedBytes(), badHeader.size() + badData.size());
    EXPECT_EQ(parser.PendingBytes(), 0u);
}

TEST(SimParser, ATruncatedFrameDoesNotSwallowTheNextOne) {
    // A header announcing 200 data bytes, of which only 5 come.
    Bytes truncated = Command(0x63, 0, Bytes(200, 0x55));
    truncated.resize(kFrameHeaderSize + 5);
    const Bytes next = Command(0x20, 0, {'D', 'E', 'V', 'I', 'C', 'E', '?', '?'});
    // The truncated frame takes the next one as its data until it has 200
    // bytes; its data check then fails and the next frame is found again.
    Bytes filler(200, 0x00);
    CommandFrameParser parser;
    const auto frames = FeedAll(parser, Join({truncated, next, filler}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 0x20);
}

TEST(SimParser, AHeaderAnnouncingMoreThanAFrameHoldsIsDroppedAtOnce) {
    Bytes oversized = Command(0x63, 0);
    oversized[8] = 0xF5;  // 1013 data bytes, one more than a frame holds
    oversized[9] = 0x03;
    oversized[10] = XorBytes(oversized.data(), 10);
    const Bytes next = Command(0x2F, 1);
    CommandFrameParser parser;
    const auto frames = FeedAll(parser, Join({oversized, next}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 0x2F);
    EXPECT_EQ(parser.DroppedFrames(), 1u);

    // The largest frame there is still passes.
    const auto largest = FeedAll(parser, Command(0x63, 0, Bytes(kMaxCommandData, 0x7E)));
    ASSERT_EQ(largest.size(), 1u);
    EXPECT_EQ(largest[0].data.size(), static_cast<size_t>(kMaxCommandData));
}

TEST(SimParser, HoldsAtMostOneFrameWhateverItIsFed) {
    // Headers that pass their check and announce the largest data, back to
    // back, then plain garbage: the parser holds one frame's bytes at most.
    Bytes header = Command(0x63, 0);
    header[8] = static_cast<uint8_t>(kMaxCommandData);
    header[9] = static_cast<uint8_t>(kMaxCommandData >> 8);
    header[10] = XorBytes(header.data(), 10);
    header[11] = 0x01;  // a data check the zero data below never meets
    uint32_t state = 12345;
    size_t maxPending = 0;
    CommandFrameParser parser;
    for (int round = 0; round < 200; ++round) {
        Bytes chunk = header;
        for (int i = 0; i < 700; ++i) {
            state = state * 1103515245u + 12345u;
            chunk.push_back(static_cast<uint8_t>(state >> 16));
        }
        EXPECT_TRUE(FeedAll(parser, chunk).empty());
        maxPending = std::max(maxPending, parser.PendingBytes());
    }
    EXPECT_LE(maxPending, static_cast<size_t>(kFrameHeaderSize + kMaxCommandData));
    EXPECT_GT(parser.DroppedFrames(), 0u);
}

TEST(SimParser, ResetForgetsAPartialFrame) {
    const Bytes frame = Command(0x2F, 1);
    CommandFrameParser parser;
    EXPECT_TRUE(parser.Feed(frame.data(), 6).empty());
    EXPECT_EQ(parser.PendingBytes(), 6u);
    parser.Reset();
    EXPECT_EQ(parser.DiscardedBytes(), 6u);
    EXPECT_EQ(FeedAll(parser, frame).size(), 1u);
}

TEST(SimWire, AGarbledByteIsNeverItselfNorAFrameStart) {
    for (int b = 0; b < 256; ++b) {
        const uint8_t g = GarbleByte(static_cast<uint8_t>(b));
        EXPECT_NE(g, b);
        EXPECT_NE(g, kFrameStart);
    }
    EXPECT_EQ(SimWireTime(960, 9600), std::chrono::seconds(1));
    EXPECT_EQ(SimWireTime(1, 0), std::chrono::nanoseconds(0));
}

}  // namespace
