// The frame exchange over a real line (a pseudo-terminal): the reply deadline,
// and the wait that starts only once the frame has been carried at the line rate.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "frame.h"
#include "frame_link.h"
#include "my_uart.h"
#include "pty_pair.h"
#include "recording_log.h"
#include "uart_transport.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes Reply(const std::string& data) {
    return BuildReplyFrame(0x20, 0, reinterpret_cast<const uint8_t*>(data.data()),
                           static_cast<int>(data.size()));
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct PtyExchange : ::testing::Test {
    PtyPair pty;
    TMyUart uart;
    UartTransport transport{uart};
    RecordingLog log;
    FrameLink link{&log};
    void SetUp() override {
        ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600)) << uart.LastError();
        link.SetTransport(&transport);
    }
};

TEST_F(PtyExchange, ABadHeaderSpoilsEveryTryUntilItsReadsRunDry) {
    Bytes bad = Reply("ZDV 7714");
    bad[10] ^= 0x01;
    std::thread printer([&] {
        for (int i = 0; i < 3; ++i) {
            if (pty.Read(20, 2000).size() == 20)
                pty.Write(Join(bad, Reply("ZDV 7714")));
        }
    });
    uint8_t data[4096];
    std::memcpy(data, "DEVICE??", 8);
    const auto start = Clock::now();
    EXPECT_EQ(link.SendCommand(0x20, 0, data, 4095, 8, 3, 200), -1);
    const auto elapsed = Clock::now() - start;
    printer.join();
    // Each try reads on past the good reply and ends only when a read comes
    // back short, 100 ms after the last byte.
    EXPECT_GE(elapsed, std::chrono::milliseconds(3 * 100));
    EXPECT_EQ(link.LastFailureText(), "a reply with a bad header check after 3 tries");
}

TEST_F(PtyExchange, TheReplyWaitCountsFromWhenTheFrameHasLeftTheLine) {
    // 1024 bytes at 9600 bit/s take about 1067 ms on the wire. A printer that
    // answers 100 ms after the last byte would be too late for a 1000 ms wait
    // counted from the write.
    std::thread printer([&] {
        if (pty.Read(1024, 3000).size() == 1024) {
            std::this_thread::sleep_until(Clock::now() + std::chrono::milliseconds(1150));
            pty.Write(Reply(""));
        }
    });
    uint8_t data[1024] = {};
    EXPECT_EQ(transport.TransmitTimeMs(1024), 1067);
    EXPECT_EQ(link.SendCommand(0x60, 0, data, 1023, 1012, 1, 1000), 0);
    printer.join();
}

}  // namespace
