#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "datagram_transport.h"
#include "frame.h"
#include "frame_link.h"
#include "recording_log.h"
#include "udp_peer.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(DatagramLink, ExchangesOneFrameEachWayWithTheEndpoint) {
    UdpPeer peer;
    DatagramTransport udp({"127.0.0.1", peer.Port()});
    RecordingLog log;
    FrameLink link(&log);
    link.SetTransport(&udp);
    const Bytes identity{'Z', 'D', 'V', ' ', '7', '7', '1', '4'};
    Bytes received;
    std::thread printer(
        [&] { received = peer.AnswerOne(BuildReplyFrame(0x20, 0, identity.data(), 8)); });
    uint8_t data[4096];
    std::memcpy(data, "DEVICE??", 8);
    EXPECT_EQ(link.SendCommand(0x20, 0, data, 4095, 8, 3, 1000), 8);
    printer.join();
    EXPECT_EQ(received,
              BuildCommandFrame(0x20, 0, reinterpret_cast<const uint8_t*>("DEVICE??"), 8));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 8), "ZDV 7714");
    EXPECT_TRUE(udp.IsActive());
    udp.Close();
    EXPECT_FALSE(udp.IsActive());
}

TEST(DatagramLink, IgnoresDatagramsFromOtherSenders) {
    UdpPeer peer;
    UdpPeer stranger;
    DatagramTransport udp({"127.0.0.1", peer.Port()});
    FrameLink link;
    link.SetTransport(&udp);
    std::thread printer([&] { peer.AnswerOne(BuildReplyFrame(0x20, 0, nullptr, 0), &stranger); });
    uint8_t data[16] = {};
    EXPECT_EQ(link.SendCommand(0x20, 0, data, 15, 0, 1, 300), -1);
    printer.join();
}

TEST(DatagramLink, ANameThatDoesNotResolveIsAMissingReplyNotACrash) {
    DatagramTransport udp({"no-such-host.invalid", 9100});
    FrameLink link;
    link.SetTransport(&udp);
    uint8_t data[16] = {};
    EXPECT_EQ(link.SendCommand(0x20, 0, data, 15, 0, 2, 50), -1);
    // The name is asked for once: a resend could not reach it either.
    EXPECT_EQ(link.LastFailure(), CommandFailure::LineFailed);
    EXPECT_EQ(link.TriesSent(), 1);
    EXPECT_NE(udp.LastError().find("no-such-host.invalid"), std::string::npos);
}

TEST(DatagramLink, SilenceFromALiveEndpointTimesOutWithZero) {
    UdpPeer peer;
    DatagramTransport udp({"127.0.0.1", peer.Port()});
    uint8_t buffer[64];
    EXPECT_EQ(udp.Receive(buffer, sizeof buffer, 50), 0);
}

}  // namespace
