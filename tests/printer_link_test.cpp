#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "frame.h"
#include "posix_line_rate.h"
#include "printer_link.h"
#include "recording_log.h"
#include "virtual_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct LinkOnPty : ::testing::Test {
    VirtualPrinter printer;
    RecordingLog log;
    PrinterLink link{&log};
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
    }
    void TearDown() override { link.CloseLink(); }
};

TEST_F(LinkOnPty, MovesPrinterAndPortToTheFastRateAndBack) {
    ASSERT_TRUE(link.OpenLink(printer.SlavePath(), 9600)) << link.FailureReason();
    ASSERT_TRUE(link.SwitchBaud(115200)) << link.FailureReason();
    EXPECT_EQ(link.Uart().BaudRate(), 115200u);
    ASSERT_TRUE(printer.WaitForCommands(2, 5000));
    EXPECT_EQ(printer.Rate(), 115200u);
    // Only a port that followed can still talk to the printer.
    EXPECT_TRUE(link.EnterDownloadMode()) << link.FailureReason();
    EXPECT_TRUE(link.SwitchBaud(9600)) << link.FailureReason();
    EXPECT_EQ(link.ErrorCode(), kErrorNone);
}

TEST_F(LinkOnPty, SwitchingToTheCurrentRateSendsNothing) {
    ASSERT_TRUE(link.OpenLink(printer.SlavePath(), 9600));
    const size_t before = printer.CommandCount();
    EXPECT_TRUE(link.SwitchBaud(9600));
    EXPECT_EQ(printer.CommandCount(), before);
}

TEST_F(LinkOnPty, ARateThePrinterIgnoresKeepsBothSidesAndTheJobGoesOn) {
    SimFaults faults;
    faults.refuseRate = 115200;
    printer.SetFaults(faults);
    ASSERT_TRUE(link.OpenLink(printer.SlavePath(), 9600));
    EXPECT_TRUE(link.SwitchBaud(115200));
    EXPECT_EQ(link.ErrorCode(), kErrorNone);
    EXPECT_EQ(link.Uart().BaudRate(), 9600u);
    EXPECT_EQ(printer.Rate(), 9600u);
    EXPECT_TRUE(link.EnterDownloadMode()) << link.FailureReason();
}

TEST_F(LinkOnPty, AModeCommandWithoutReplyGivesItsOwnCode) {
    SimFaults faults;
    faults.silentCommand = 0x2F;
    printer.SetFaults(faults);
    ASSERT_TRUE(link.OpenLink(printer.SlavePath(), 9600));
    EXPECT_FALSE(link.EnterDownloadMode());
    EXPECT_EQ(link.ErrorCode(), kErrorDownloadMode);
    EXPECT_NE(link.FailureReason().find("download mode"), std::string::npos);
    EXPECT_FALSE(link.EnterUpdateMode());
    EXPECT_EQ(link.ErrorCode(), kErrorUpdateMode);
}

TEST_F(LinkOnPty, PausesAfterOpeningAndAfterAModeCommand) {
    SimFaults faults;
    faults.answerUnknown = true;  // for the probe, a code of no meaning
    printer.SetFaults(faults);
    const auto start = Clock::now();
    ASSERT_TRUE(link.OpenLink(printer.SlavePath(), 9600));
    ASSERT_TRUE(printer.WaitForCommands(1, 5000));
    // The identify query left no sooner than 10 ms after the port opened.
    EXPECT_GE(printer.Commands()[0].time - start, std::chrono::milliseconds(kPauseAfterOpenMs));
    ASSERT_TRUE(link.EnterUpdateMode());
    uint8_t buffer[16] = {};
    ASSERT_GE(link.SendCommand(0x70, 0, buffer, 15, 0, 1, 500, "a probe"), 0);
    ASSERT_TRUE(printer.WaitForCommands(3, 5000));
    const auto commands = printer.Commands();
    EXPECT_GE(commands[2].time - commands[1].time, std::chrono::milliseconds(kPauseAfterModeMs));
}

TEST_F(LinkOnPty, AnIdentityIsComparedExactly) {
    for (const std::string identity : {"ZDV 77XX", "ZDV 7714 and more"}) {
        SimFaults faults;
        faults.identity = identity;
        printer.SetFaults(faults);
        EXPECT_TRUE(link.OpenLink(printer.SlavePath(), 9600)) << identity;
        link.CloseLink();
    }
    for (const std::string identity : {"ZDV 771", "zdv 7714", "ZDV 7715"}) {
        SimFaults faults;
        faults.identity = identity;
        printer.SetFaults(faults);
        EXPECT_FALSE(link.OpenLink(printer.SlavePath(), 9600)) << identity;
        EXPECT_EQ(link.ErrorCode(), kErrorIdentity) << identity;
        link.CloseLink();
    }
}

TEST(LinkNames, OnlyTheExactDatagramNameSelectsUdp) {
    RecordingLog log;
    PrinterLink link(&log);
    EXPECT_FALSE(link.OpenLink("tcp/ip", 9600));  // a (missing) serial device
    EXPECT_EQ(link.ErrorCode(), kErrorPortOpen);
    EXPECT_FALSE(link.DatagramMode());
    EXPECT_TRUE(log.Lines().empty());
    link.CloseLink();
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"CLOSE  26-12-08 09:05:07 042 "});

    // Nothing listens at this endpoint: UDP, three unanswered queries.
    link.SetDatagramEndpoint({"127.0.0.1", 9});
    log.Clear();
    EXPECT_FALSE(link.OpenLink("TCP/IP", 9600));
    EXPECT_TRUE(link.DatagramMode());
    EXPECT_FALSE(link.Uart().IsOpen());
    EXPECT_EQ(link.ErrorCode(), kErrorNoReply);
    EXPECT_TRUE(link.SwitchBaud(115200));  // nothing to switch on a datagram link
    link.CloseLink();
    EXPECT_FALSE(link.Uart().IsDatagramMarked());
    EXPECT_EQ(log.Lines().front(), "OPEN TCP/IP 26-12-08 09:05:07 042 ");
}

}  // namespace
