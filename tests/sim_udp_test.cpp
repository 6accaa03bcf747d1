// The virtual printer over UDP, against the tool's datagram exchange.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "datagram_transport.h"
#include "frame.h"
#include "frame_link.h"
#include "virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kUdpAnswerTimeoutMs = 3000;
constexpr int kUdpWaitMs = 5000;
constexpr int kUdpFailTimeoutMs = 300;

struct SimOnUdp : ::testing::Test {
    VirtualPrinter printer;
    DatagramTransport udp;
    FrameLink link;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(printer.StartUdp("127.0.0.1", 0, error)) << error;
        ASSERT_NE(printer.UdpPort(), 0);
        udp.SetEndpoint({"127.0.0.1", printer.UdpPort()});
        link.SetTransport(&udp);
    }

    std::optional<std::string> Identify(int timeoutMs = kUdpAnswerTimeoutMs) {
        uint8_t buffer[4096];
        std::memcpy(buffer, "DEVICE??", 8);
        const int n = link.SendCommand(0x20, 0, buffer, 4095, 8, 1, timeoutMs);
        if (n < 0)
            return std::nullopt;
        return std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    }
};

TEST_F(SimOnUdp, AnswersEachDatagramsSender) {
    EXPECT_EQ(Identify(), "ZDV 7714");
    // A second client with its own socket gets its own answer.
    DatagramTransport other({"127.0.0.1", printer.UdpPort()});
    FrameLink otherLink;
    otherLink.SetTransport(&other);
    uint8_t buffer[256] = {};
    EXPECT_EQ(otherLink.SendCommand(0x2F, 1, buffer, 255, 0, 1, kUdpAnswerTimeoutMs), 0);
    ASSERT_TRUE(printer.WaitForCommands(2, kUdpWaitMs));
    EXPECT_EQ(printer.Mode(), SimMode::Download);
}

TEST_F(SimOnUdp, SpoiledChecksPassBecauseDatagramsAreNotChecked) {
    SimFaults faults;
    faults.badHeaderCheck = true;
    faults.badDataCheck = true;
    printer.SetFaults(faults);
    EXPECT_EQ(Identify(), "ZDV 7714");
}

TEST_F(SimOnUdp, NoiseBeforeTheReplySpoilsTheDatagram) {
    SimFaults faults;
    faults.noiseBytes = 3;
    printer.SetFaults(faults);
    EXPECT_FALSE(Identify().has_value());
    EXPECT_NE(link.LastFailureText().find("not a reply"), std::string::npos)
        << link.LastFailureText();
}

TEST_F(SimOnUdp, SilenceAndHangUpLeaveTheToolWithoutReply) {
    SimFaults faults;
    faults.silentNth = 1;
    faults.hangUpAfterBlocks = 1;
    printer.SetFaults(faults);
    EXPECT_FALSE(Identify(kUdpFailTimeoutMs).has_value());
    EXPECT_EQ(Identify(), "ZDV 7714");
    uint8_t buffer[4096] = {};
    ASSERT_EQ(link.SendCommand(0x2F, 1, buffer, 4095, 0, 1, kUdpAnswerTimeoutMs), 0);
    EXPECT_EQ(link.SendCommand(0x63, 0, buffer, 4095, 256, 1, kUdpAnswerTimeoutMs), 0);
    EXPECT_EQ(link.SendCommand(0x63, 0x100, buffer, 4095, 256, 1, kUdpFailTimeoutMs), -1);
    ASSERT_TRUE(printer.WaitForCommands(5, kUdpWaitMs));
    EXPECT_FALSE(printer.Running());
}

TEST_F(SimOnUdp, IgnoresDatagramsThatAreNoCommand) {
    const std::vector<Bytes> junk = {
        {0x03},
        {0x03, 0xFE, 0x20, 0, 0, 0, 0, 0, 0, 0, 0xDD, 0},  // a reply, not a command
        Bytes(5000, 0x03),                                 // larger than any frame
        Bytes(40, 0x41),
    };
    for (const Bytes& d : junk)
        ASSERT_TRUE(udp.Send(d.data(), static_cast<int>(d.size())));
    // A datagram holding a cut frame: nothing carries over to the next one.
    Bytes cut = BuildCommandFrame(0x61, 0, Bytes{'A', 0, 'B', 0}.data(), 4);
    cut.resize(14);
    ASSERT_TRUE(udp.Send(cut.data(), static_cast<int>(cut.size())));
    EXPECT_EQ(Identify(), "ZDV 7714");
    ASSERT_TRUE(printer.WaitForCommands(1, kUdpWaitMs));
    EXPECT_EQ(printer.Commands().size(), 1u);
    EXPECT_FALSE(printer.Settings().bluetooth.has_value());
    EXPECT_GT(printer.DiscardedBytes(), 0u);
}

}  // namespace
