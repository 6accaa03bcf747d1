// The virtual printer against the tool's own frame exchange (SendCommand),
// over a pseudo-terminal.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "frame.h"
#include "frame_link.h"
#include "my_uart.h"
#include "uart_transport.h"
#include "virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Generous: CI is a loaded machine running under AddressSanitizer.
constexpr int kAnswerTimeoutMs = 3000;
constexpr int kWaitMs = 5000;
// For exchanges that must fail: the printer either never answers or answers
// in a way the tool cannot take, whatever the time allowed.
constexpr int kFailTimeoutMs = 300;

// The tool's side: a serial port on the slave, and the frame exchange.
struct Tool {
    TMyUart uart;
    UartTransport transport{uart};
    FrameLink link;

    bool Open(const std::string& path, uint32_t rate) {
        if (!uart.Open(path, rate))
            return false;
        link.SetTransport(&transport);
        return true;
    }
    // The identify query; the reply's text, or nothing when it failed.
    std::optional<std::string> Identify(int timeoutMs = kAnswerTimeoutMs, int tries = 1) {
        uint8_t buffer[4096];
        std::memcpy(buffer, "DEVICE??", 8);
        const int n = link.SendCommand(0x20, 0, buffer, 4095, 8, tries, timeoutMs);
        if (n < 0)
            return std::nullopt;
        return std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    }
};

int SendData(Tool& tool, uint16_t code, uint32_t parameter, const Bytes& data,
             int timeoutMs = kAnswerTimeoutMs) {
    Bytes buffer(4096);
    std::copy(data.begin(), data.end(), buffer.begin());
    return tool.link.SendCommand(code, parameter, buffer.data(), 4095,
                                 static_cast<int>(data.size()), 1, timeoutMs);
}

struct SimOnPty : ::testing::Test {
    SimOptions options;
    std::unique_ptr<VirtualPrinter> printer;
    Tool tool;

    void Start() {
        printer = std::make_unique<VirtualPrinter>(options);
        std::string error;
        ASSERT_TRUE(printer->StartPty(error)) << error;
        ASSERT_TRUE(tool.Open(printer->SlavePath(), 9600)) << tool.uart.LastError();
    }
    void SetUp() override { Start(); }
};

TEST_F(SimOnPty, AnswersIdentifyWithItsIdentityAndLogsTheQuery) {
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
    ASSERT_TRUE(printer->WaitForCommands(1, kWaitMs));
    const auto commands = printer->Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].code, 0x20);
    EXPECT_EQ(commands[0].parameter, 0u);
    EXPECT_EQ(commands[0].data, Bytes({'D', 'E', 'V', 'I', 'C', 'E', '?', '?'}));
    EXPECT_EQ(commands[0].outcome, CommandOutcome::Answered);
    // The tool can close and reopen its side; the printer stays.
    tool.uart.Close();
    ASSERT_TRUE(tool.Open(printer->SlavePath(), 9600));
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
}

TEST_F(SimOnPty, ARateChangeWorksOnlyWhenTheToolFollows) {
    EXPECT_EQ(SendData(tool, 0x2B, 115200, {}), 0);
    ASSERT_TRUE(printer->WaitForCommands(1, kWaitMs));
    EXPECT_EQ(printer->Rate(), 115200u);
    // Still at 9600, the tool's query arrives garbled and the reply is lost.
    EXPECT_FALSE(tool.Identify(kFailTimeoutMs).has_value());
    EXPECT_GT(printer->DiscardedBytes(), 0u);
    EXPECT_EQ(printer->CommandCount(), 1u);
    ASSERT_TRUE(tool.uart.SetBaudRate(115200));
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
    // And back: the reply still comes at 115200.
    EXPECT_EQ(SendData(tool, 0x2B, 9600, {}), 0);
    ASSERT_TRUE(tool.uart.SetBaudRate(9600));
    ASSERT_TRUE(printer->WaitForCommands(3, kWaitMs));
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
}

TEST_F(SimOnPty, ARefusedRateGetsNoReplyAndChangesNothing) {
    SimFaults faults;
    faults.refuseRate = 115200;
    printer->SetFaults(faults);
    EXPECT_EQ(SendData(tool, 0x2B, 115200, {}, kFailTimeoutMs), -1);
    EXPECT_EQ(SendData(tool, 0x2B, 12345, {}, kFailTimeoutMs), -1);  // not a printer rate
    ASSERT_TRUE(printer->WaitForCommands(2, kWaitMs));
    EXPECT_EQ(printer->Commands()[0].outcome, CommandOutcome::Silenced);
    EXPECT_EQ(printer->Commands()[1].outcome, CommandOutcome::Refused);
    EXPECT_EQ(printer->Rate(), 9600u);
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
}

TEST_F(SimOnPty, SilenceFaultsMakeTheToolRetryOrFail) {
    SimFaults faults;
    faults.silentNth = 1;
    printer->SetFaults(faults);
    // The first try goes unanswered, the second gets its reply.
    EXPECT_EQ(tool.Identify(kFailTimeoutMs + 200, 2), "ZDV 7714");
    EXPECT_EQ(tool.link.LastFailure(), CommandFailure::None);
    ASSERT_TRUE(printer->WaitForCommands(2, kWaitMs));
    EXPECT_EQ(printer->Commands()[0].outcome, CommandOutcome::Silenced);

    faults = {};
    faults.silentCommand = 0x20;
    printer->SetFaults(faults);
    EXPECT_FALSE(tool.Identify(kFailTimeoutMs, 2).has_value());
    EXPECT_EQ(tool.link.LastFailure(), CommandFailure::NoReply);
    EXPECT_EQ(SendData(tool, 0x2F, 1, {}), 0);  // other commands still go through
}

TEST_F(SimOnPty, AnUnknownCommandIsCountedLoggedAndAnsweredOnlyWhenToldTo) {
    uint16_t unknown = 0xFF00;
    while (IsTakenCommandCode(unknown))
        ++unknown;
    EXPECT_EQ(SendData(tool, unknown, 0, {1, 2}, kFailTimeoutMs), -1);
    ASSERT_TRUE(printer->WaitForCommands(1, kWaitMs));
    EXPECT_EQ(printer->Commands()[0].outcome, CommandOutcome::Unknown);
    EXPECT_NE(printer->Commands()[0].note.find("0xFF"), std::string::npos);
    EXPECT_EQ(printer->UnknownCommandCount(), 1u);

    SimFaults faults;
    faults.answerUnknown = true;
    printer->SetFaults(faults);
    EXPECT_EQ(SendData(tool, unknown, 0, {1, 2}), 0);
    ASSERT_TRUE(printer->WaitForCommands(2, kWaitMs));
    EXPECT_EQ(printer->Commands()[1].outcome, CommandOutcome::Answered);
    EXPECT_NE(printer->Commands()[1].note.find("fault"), std::string::npos);
    EXPECT_EQ(printer->UnknownCommandCount(), 2u);

    // In download mode any code is a block: answered, and not unknown.
    printer->SetFaults({});
    ASSERT_EQ(SendData(tool, 0x2F, 1, {}), 0);
    EXPECT_EQ(SendData(tool, unknown, 0, {1, 2}), 0);
    ASSERT_TRUE(printer->WaitForCommands(4, kWaitMs));
    EXPECT_EQ(printer->UnknownCommandCount(), 2u);
}

TEST_F(SimOnPty, SpoiledChecksFailTheExchange) {
    SimFaults faults;
    faults.badHeaderCheck = true;
    printer->SetFaults(faults);
    EXPECT_FALSE(tool.Identify(kFailTimeoutMs).has_value());
    EXPECT_NE(tool.link.LastFailureText().find("header check"), std::string::npos)
        << tool.link.LastFailureText();

    faults = {};
    faults.badDataCheck = true;
    printer->SetFaults(faults);
    EXPECT_FALSE(tool.Identify(kFailTimeoutMs).has_value());
    EXPECT_NE(tool.link.LastFailureText().find("data check"), std::string::npos)
        << tool.link.LastFailureText();
    // A reply without data has no data check to fail.
    EXPECT_EQ(SendData(tool, 0x2F, 1, {}), 0);
}

TEST_F(SimOnPty, NoiseIsSkippedUntilItPassesTheReceiveCap) {
    SimFaults faults;
    faults.noiseBytes = 100;
    printer->SetFaults(faults);
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
    faults.noiseBytes = 2100;
    printer->SetFaults(faults);
    const auto start = Clock::now();
    EXPECT_FALSE(tool.Identify(60000).has_value());
    // Given up at the cap, long before the deadline.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_NE(tool.link.LastFailureText().find("no valid reply in more than"), std::string::npos)
        << tool.link.LastFailureText();
}

TEST_F(SimOnPty, ADelayedReplyMissesAShortWaitButMeetsALongOne) {
    SimFaults faults;
    faults.replyDelayMs = 1500;
    printer->SetFaults(faults);
    const auto start = Clock::now();
    EXPECT_FALSE(tool.Identify(kFailTimeoutMs).has_value());
    // The late reply still comes; the next wait must not take it for its
    // own, so take it off the line first.
    uint8_t late[20];
    int got = 0;
    EXPECT_EQ(tool.uart.Read(late, sizeof late, got, kWaitMs), 20);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1500));
    faults.replyDelayMs = 200;
    printer->SetFaults(faults);
    const auto before = Clock::now();
    EXPECT_EQ(tool.Identify(kAnswerTimeoutMs), "ZDV 7714");
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(200));
}

TEST_F(SimOnPty, AnAdaptersLatencyTimerHoldsEveryReply) {
    tool.uart.Close();
    options.latencyMs = 40;
    Start();
    for (int i = 0; i < 2; ++i) {
        const auto before = Clock::now();
        EXPECT_EQ(tool.Identify(kAnswerTimeoutMs), "ZDV 7714");
        EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(40));
    }
}

TEST_F(SimOnPty, AnswersWithAWrongIdentityWhenToldTo) {
    SimFaults faults;
    faults.identity = "ZDV 7715";
    printer->SetFaults(faults);
    EXPECT_EQ(tool.Identify(), "ZDV 7715");
    printer->SetFaults({});
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
}

TEST_F(SimOnPty, HangsUpInTheMiddleOfATransfer) {
    SimFaults faults;
    faults.hangUpAfterBlocks = 2;
    printer->SetFaults(faults);
    ASSERT_EQ(SendData(tool, 0x2F, 1, {}), 0);
    EXPECT_EQ(SendData(tool, 0x63, 0, Bytes(256, 0x11)), 0);
    EXPECT_EQ(SendData(tool, 0x63, 0x100, Bytes(256, 0x22)), 0);
    EXPECT_EQ(SendData(tool, 0x63, 0x200, Bytes(256, 0x33), kAnswerTimeoutMs), -1);
    EXPECT_NE(tool.link.LastFailureText().find("line failed"), std::string::npos)
        << tool.link.LastFailureText();
    ASSERT_TRUE(printer->WaitForCommands(4, kWaitMs));
    EXPECT_EQ(printer->Commands().back().outcome, CommandOutcome::HungUp);
    EXPECT_FALSE(printer->Running());
    EXPECT_EQ(printer->Memory().at(0x63).size(), 0x200u);
}

TEST_F(SimOnPty, StoresBlocksAndSettingsAsTheToolSendsThem) {
    ASSERT_EQ(SendData(tool, 0x2F, 1, {}), 0);
    Bytes font(600);
    for (size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<uint8_t>(i);
    for (uint32_t at = 0; at < font.size(); at += 256) {
        const size_t n = std::min<size_t>(256, font.size() - at);
        ASSERT_EQ(SendData(tool, 0x63, at, Bytes(font.begin() + at, font.begin() + at + n)), 0);
    }
    ASSERT_EQ(SendData(tool, 0x2D, 0x40, Bytes{1, 2}), 0);
    ASSERT_EQ(SendData(tool, 0x61, 0, Bytes{'P', '1', 0, '1', '2', 0}), 0);
    ASSERT_TRUE(printer->WaitForCommands(6, kWaitMs));
    EXPECT_EQ(printer->Mode(), SimMode::Download);
    EXPECT_EQ(printer->Memory().at(0x63), font);
    EXPECT_EQ(printer->Memory().at(0x2D).size(), 0x42u);
    ASSERT_TRUE(printer->Settings().bluetooth.has_value());
    EXPECT_EQ(printer->Settings().bluetooth->name, "P1");
    EXPECT_EQ(printer->Settings().bluetooth->pin, "12");
}

TEST_F(SimOnPty, IgnoresGarbageAndStillAnswersTheNextCommand) {
    Bytes garbage;
    uint32_t state = 99;
    for (int i = 0; i < 3000; ++i) {
        state = state * 1664525u + 1013904223u;
        garbage.push_back(static_cast<uint8_t>(state >> 24));
    }
    // Frames that a careful device must not take: a bad header check, a bad
    // data check, a length beyond any frame, and one cut short.
    Bytes badHeader = BuildCommandFrame(0x60, 0, Bytes(16, 1).data(), 16);
    badHeader[10] ^= 0x20;
    Bytes badData = BuildCommandFrame(0x61, 0, Bytes{'A', 0, 'B', 0}.data(), 4);
    badData[12] ^= 0x01;
    Bytes oversized = BuildCommandFrame(0x63, 0, nullptr, 0);
    oversized[8] = 0xFF;
    oversized[9] = 0xFF;
    oversized[10] = XorBytes(oversized.data(), 10);
    // Its data check is 7; the 18 sevens that come, and the zeros after them
    // that complete its data, add up to 0.
    Bytes cut = BuildCommandFrame(0x2F, 1, Bytes(51, 7).data(), 51);
    cut.resize(kFrameHeaderSize + 18);
    for (const Bytes* part : {&badHeader, &badData, &oversized, &cut})
        garbage.insert(garbage.end(), part->begin(), part->end());
    garbage.insert(garbage.end(), 1100, 0x00);  // ends whatever frame is still open
    ASSERT_TRUE(tool.uart.Write(garbage.data(), static_cast<int>(garbage.size())));
    EXPECT_EQ(tool.Identify(), "ZDV 7714");
    ASSERT_TRUE(printer->WaitForCommands(1, kWaitMs));
    const auto commands = printer->Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].code, 0x20);
    EXPECT_EQ(printer->DiscardedBytes(), garbage.size());
    EXPECT_FALSE(printer->Settings().print.has_value());
    EXPECT_FALSE(printer->Settings().bluetooth.has_value());
    EXPECT_EQ(printer->Mode(), SimMode::Normal);
    EXPECT_TRUE(printer->Running());
}

}  // namespace

namespace {

TEST(SimTiming, PacedBytesTakeTheirWireTimeAndASectorStartTakesItsEraseTime) {
    SimOptions options;
    options.pace = true;
    options.eraseMs = 300;
    VirtualPrinter printer(options);
    std::string error;
    ASSERT_TRUE(printer.StartPty(error)) << error;
    Tool tool;
    ASSERT_TRUE(tool.Open(printer.SlavePath(), 9600));
    ASSERT_EQ(SendData(tool, 0x2F, 1, {}), 0);
    // 1024 bytes in, 12 out, at 9600 bit/s: at least 1079 ms on the wire.
    auto start = Clock::now();
    ASSERT_EQ(SendData(tool, 0x63, 0x100, Bytes(kMaxCommandData, 0x5A), 5000), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1079));
    // At 115200 a small block at a sector start is held back by the erase.
    ASSERT_EQ(SendData(tool, 0x2B, 115200, {}), 0);
    ASSERT_TRUE(printer.WaitForCommands(3, kWaitMs));
    ASSERT_TRUE(tool.uart.SetBaudRate(115200));
    start = Clock::now();
    ASSERT_EQ(SendData(tool, 0x63, 0x1000, Bytes(16, 0x5A)), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
}

TEST(SimStart, RefusesOptionsNoPrinterHas) {
    for (SimOptions options : {SimOptions{.rate = 12345}, SimOptions{.identity = ""},
                               SimOptions{.logoCommand = 0x2B}, SimOptions{.eraseMs = -1}}) {
        VirtualPrinter printer(options);
        std::string error;
        EXPECT_FALSE(printer.StartPty(error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(printer.Running());
    }
}

}  // namespace
