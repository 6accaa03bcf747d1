#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame.h"
#include "frame_link.h"
#include "recording_log.h"
#include "scripted_transport.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(const std::string& data, uint16_t command = 0x20, uint32_t parameter = 0) {
    return BuildReplyFrame(command, parameter, reinterpret_cast<const uint8_t*>(data.data()),
                           static_cast<int>(data.size()));
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Text(const uint8_t* p, int n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

struct StreamParser : ::testing::Test {
    ScriptedTransport line;
    RecordingLog log;
    FrameLink link{&log};
    uint8_t dest[4096] = {};
    void SetUp() override { link.SetTransport(&line); }
};

TEST_F(StreamParser, SkipsNoiseAndDumpsFromTheFirstNoiseByteToTheHeaderEnd) {
    line.ReplyAfterSend(0, Join({0x00, 0x41, 0x03, 0x41}, Reply("ZDV 7714")));
    ASSERT_EQ(link.ReceiveReply(dest, 4095, 200), 8);
    EXPECT_EQ(Text(dest, 8), "ZDV 7714");
    const auto& lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);  // "Rec", the 16 bytes up to the header's end, the data
    EXPECT_EQ(lines[0], "Rec: 24 bytes 26-12-08 09:05:07 042 ");
    EXPECT_EQ(lines[1].substr(4, 12), "00 41 03 41 ");
    EXPECT_EQ(lines[1].substr(63, 4), " A A");
    EXPECT_EQ(lines[2].substr(63, 8), "ZDV 7714");
}

TEST_F(StreamParser, ReadsAReplyInAsFewReadsAsItsFormAllowsAndNothingBehindIt) {
    // A whole header at once, then the data; the next frame stays unread.
    const Bytes next = Reply("next");
    line.ReplyAfterSend(0, Join(Reply("ZDV 7714"), next));
    ASSERT_EQ(link.ReceiveReply(dest, 4095, 200), 8);
    EXPECT_EQ(line.receiveCalls, 2);
    EXPECT_EQ(link.ReceiveReply(dest, 4095, 200), 4);
    EXPECT_EQ(Text(dest, 4), "next");
    // Noise in front costs a read per frame length, not one per byte.
    line.receiveCalls = 0;
    line.ReplyAfterSend(0, Join(Bytes(30, 0x55), Reply("")));
    ASSERT_EQ(link.ReceiveReply(dest, 4095, 200), 0);
    EXPECT_LE(line.receiveCalls, 5);
}

TEST_F(StreamParser, TakesTheSecondStartByteOfA030303FESequence) {
    Bytes bytes = Reply("ok");
    bytes.insert(bytes.begin(), 0x03);
    line.ReplyAfterSend(0, bytes);
    EXPECT_EQ(link.ReceiveReply(dest, 255, 200), 2);
    EXPECT_EQ(Text(dest, 2), "ok");
}

TEST_F(StreamParser, AcceptsAnEmptyReplyWhateverItsDataCheck) {
    Bytes reply = Reply("");
    reply[11] = 0x5A;
    line.ReplyAfterSend(0, reply);
    EXPECT_EQ(link.ReceiveReply(dest, 255, 200), 0);
}

TEST_F(StreamParser, ABadHeaderCheckSpoilsTheWholeWaitEvenWithAGoodReplyBehind) {
    Bytes bad = Reply("ZDV 7714");
    bad[10] ^= 0x01;
    line.ReplyAfterSend(0, Join(bad, Reply("ZDV 7714")));
    EXPECT_EQ(link.ReceiveReply(dest, 4095, 200), -1);
    EXPECT_EQ(log.Lines()[0], "Rec: 40 bytes 26-12-08 09:05:07 042 ");
}

TEST_F(StreamParser, ABadDataCheckIsNotCopied) {
    Bytes bad = Reply("ZDV 7714");
    bad[11] ^= 0x01;
    line.ReplyAfterSend(0, bad);
    std::memcpy(dest, "DEVICE??", 8);
    EXPECT_EQ(link.ReceiveReply(dest, 4095, 200), -1);
    EXPECT_EQ(Text(dest, 8), "DEVICE??");
}

TEST_F(StreamParser, CommandCodeAndParameterOfTheReplyDoNotMatter) {
    line.ReplyAfterSend(0, Reply("x", 0x1234, 0xDEADBEEF));
    EXPECT_EQ(link.ReceiveReply(dest, 255, 200), 1);
}

TEST_F(StreamParser, StopsAfterTwoThousandBytesOfNoise) {
    line.ReplyAfterSend(0, Bytes(3000, 0x55));
    EXPECT_EQ(link.ReceiveReply(dest, 255, 10000), -1);
    // Noise is read a frame's length at a time, and nothing after the 2001st
    // byte.
    EXPECT_EQ(line.receiveCalls, (2001 + 11) / 12);
    EXPECT_EQ(log.Lines()[0], "Rec: 2001 bytes 26-12-08 09:05:07 042 ");
}

TEST_F(StreamParser, ReplyDataLongerThanTheCallersBufferIsCut) {
    line.ReplyAfterSend(0, Reply("0123456789"));
    dest[4] = 0xEE;
    EXPECT_EQ(link.ReceiveReply(dest, 4, 200), 4);
    EXPECT_EQ(Text(dest, 4), "0123");
    EXPECT_EQ(dest[4], 0xEE);
}

TEST_F(StreamParser, AHeaderAnnouncingMoreThanTheBufferHoldsIsRefused) {
    Bytes data(3000, 0x00);
    line.ReplyAfterSend(0, BuildReplyFrame(0x20, 0, data.data(), 3000));
    EXPECT_EQ(link.ReceiveReply(dest, 4095, 200), -1);
}

TEST_F(StreamParser, AWaitThatReadsNothingLogsZeroBytesAndNoDump) {
    EXPECT_EQ(link.ReceiveReply(dest, 255, 50), -1);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "Rec: 0 bytes 26-12-08 09:05:07 042 ");
}

TEST_F(StreamParser, SendCommandResendsTheSameFrameAndFailsOnlyAfterTheLastTry) {
    uint8_t data[4096];
    std::memcpy(data, "DEVICE??", 8);
    EXPECT_EQ(link.SendCommand(0x20, 0, data, 4095, 8, 3, 50), -1);
    EXPECT_EQ(link.LastFailure(), CommandFailure::NoReply);
    EXPECT_EQ(link.LastFailureText(), "no reply after 3 tries");
    ASSERT_EQ(line.sent.size(), 3u);
    EXPECT_EQ(line.sent[0], BuildCommandFrame(0x20, 0, data, 8));
    EXPECT_EQ(line.sent[1], line.sent[0]);
    EXPECT_EQ(line.sent[2], line.sent[0]);
    // Send line with the header dump, then the data dump.
    EXPECT_EQ(log.Lines()[0], "Send 20 bytes 26-12-08 09:05:07 042 ");
    EXPECT_EQ(log.Lines()[1].substr(4, 12 * 3 + 3), "03 FF 20 00 00 00 00 00    08 00 D4 18 ");
    EXPECT_EQ(log.Lines()[2].substr(63, 8), "DEVICE??");
    EXPECT_EQ(log.Lines()[3], "Rec: 0 bytes 26-12-08 09:05:07 042 ");
}

TEST_F(StreamParser, ReplyDataOverwritesTheCallersDataButNotTheResend) {
    uint8_t data[256];
    std::memcpy(data, "ABCD", 4);
    Bytes bad = Reply("wxyz");
    bad[10] ^= 0xFF;
    line.ReplyAfterSend(1, bad);
    line.ReplyAfterSend(2, Reply("wxyz"));
    EXPECT_EQ(link.SendCommand(0x61, 7, data, 255, 4, 3, 50), 4);
    EXPECT_EQ(Text(data, 4), "wxyz");
    ASSERT_EQ(line.sent.size(), 2u);
    EXPECT_EQ(line.sent[1], line.sent[0]);
}

TEST_F(StreamParser, ACommandTooLongForAFrameIsRefusedWithoutSending) {
    uint8_t data[1024] = {};
    EXPECT_EQ(link.SendCommand(0x60, 0, data, 1023, 1013, 3, 50), -1);
    EXPECT_EQ(link.LastFailure(), CommandFailure::Refused);
    EXPECT_TRUE(line.sent.empty());
    EXPECT_TRUE(log.Lines().empty());
    line.ReplyAfterSend(1, Reply(""));
    EXPECT_EQ(link.SendCommand(0x60, 0, data, 1023, 1012, 1, 50), 0);
    EXPECT_EQ(line.sent[0].size(), 1024u);
}

TEST_F(StreamParser, WithoutATransportEveryWaitFailsAtOnce) {
    link.SetTransport(nullptr);
    uint8_t data[16] = {};
    EXPECT_EQ(link.SendCommand(0x20, 0, data, 15, 0, 2, 1000), -1);
    EXPECT_EQ(link.LastFailureText(), "no reply (no link is open) after 2 tries");
}

struct DatagramParser : ::testing::Test {
    ScriptedTransport socket{TransportKind::Datagram};
    RecordingLog log;
    FrameLink link{&log};
    uint8_t dest[4096] = {};
    void SetUp() override { link.SetTransport(&socket); }
};

TEST_F(DatagramParser, TakesAReplyWithoutLookingAtItsChecks) {
    Bytes reply = Reply("ZDV 77XX");
    reply[10] ^= 0x01;
    reply[11] ^= 0x01;
    socket.ReplyAfterSend(0, reply);
    EXPECT_EQ(link.ReceiveReply(dest, 4095, 200), 8);
    EXPECT_EQ(Text(dest, 8), "ZDV 77XX");
    EXPECT_EQ(log.Lines()[0], "Rec: 20 bytes 26-12-08 09:05:07 042 ");
    EXPECT_EQ(log.Lines().size(), 3u);
}

TEST_F(DatagramParser, AnyOtherDatagramEndsTheWaitAtOnce) {
    socket.ReplyAfterSend(0, {0x03, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    socket.ReplyAfterSend(0, Reply("late"));
    EXPECT_EQ(link.ReceiveReply(dest, 255, 200), -1);
    EXPECT_EQ(socket.receiveCalls, 1);
}

TEST_F(DatagramParser, RefusesDatagramsShorterThanTheirReplyOrLongerThanTheBuffer) {
    Bytes shortOne = Reply("abcdef");
    shortOne.resize(14);
    socket.ReplyAfterSend(0, shortOne);
    EXPECT_EQ(link.ReceiveReply(dest, 255, 200), -1);

    Bytes big(kReceiveBufferSize, 0x00);
    Bytes huge = BuildReplyFrame(0x20, 0, big.data(), kReceiveBufferSize);
    socket.ReplyAfterSend(0, huge);
    EXPECT_EQ(link.ReceiveReply(dest, 4095, 200), -1);
}

}  // namespace
