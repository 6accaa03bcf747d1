#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "worker_fixture.h"

namespace {

TEST_F(WorkerFixture, SendsASettingOverAPseudoTerminal) {
    UsePty();
    FillBluetooth("Shop-7", "1234");
    EXPECT_EQ(Run(kJobSendSetting), kErrorNone) << worker->FailureReason();
    ASSERT_TRUE(printer.Settings().bluetooth.has_value());
    EXPECT_EQ(printer.Settings().bluetooth->name, "Shop-7");
    EXPECT_EQ(printer.Settings().bluetooth->pin, "1234");
    EXPECT_EQ(worker->Identity(), "ZDV 7714");
    EXPECT_TRUE(observer.WaitFinished(1, kJobTimeoutMs));

    // The log of a full exchange: open, identify both ways, the setting both
    // ways, close; every frame with its dumps.
    const auto log = SavedLog();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log.front(), "OPEN " + printer.SlavePath() + " 26-12-08 09:05:07 042 ");
    EXPECT_EQ(log[1], "Send 20 bytes 26-12-08 09:05:07 042 ");
    EXPECT_EQ(log.back(), "CLOSE  26-12-08 09:05:07 042 ");
    int sends = 0;
    int receives = 0;
    for (const auto& line : log) {
        sends += line.rfind("Send ", 0) == 0;
        receives += line.rfind("Rec: ", 0) == 0;
    }
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(receives, 2);
    EXPECT_EQ(log, worker->Log().Lines());
}

TEST_F(WorkerFixture, SendsASettingOverUdp) {
    UseUdp();
    FillBluetooth("B", "");
    EXPECT_EQ(Run(kJobSendSetting), kErrorNone) << worker->FailureReason();
    ASSERT_TRUE(printer.Settings().bluetooth.has_value());
    EXPECT_EQ(printer.Settings().bluetooth->name, "B");
    // A datagram link logs its OPEN line, and no CLOSE.
    const auto log = SavedLog();
    EXPECT_EQ(log.front(), "OPEN TCP/IP 26-12-08 09:05:07 042 ");
    EXPECT_NE(log.back().rfind("CLOSE", 0), 0u);
}

TEST_F(WorkerFixture, AHostThatDoesNotResolveIsAPortThatCannotBeOpened) {
    observer.environment.portName = "TCP/IP";
    observer.environment.endpoint = {"no-such-printer.invalid", 9100};
    FillBluetooth("x", "y");
    EXPECT_EQ(Run(kJobSendSetting), kErrorPortOpen);
    EXPECT_NE(worker->FailureReason().find("cannot resolve no-such-printer.invalid"),
              std::string::npos)
        << worker->FailureReason();
}

TEST_F(WorkerFixture, APortThatCannotBeOpenedGivesOneAndOnlyACloseLine) {
    observer.environment.portName = (folder / "no-such-port").string();
    FillBluetooth("x", "y");
    EXPECT_EQ(Run(kJobSendSetting), kErrorPortOpen);
    EXPECT_NE(worker->FailureReason().find("no-such-port"), std::string::npos);
    EXPECT_EQ(SavedLog(), std::vector<std::string>{"CLOSE  26-12-08 09:05:07 042 "});
}

TEST_F(WorkerFixture, ASilentPrinterIsAskedThreeTimesThenGivesThree) {
    UsePty();
    SimFaults faults;
    faults.silentCommand = 0x20;
    printer.SetFaults(faults);
    FillBluetooth("x", "y");
    EXPECT_EQ(Run(kJobSendSetting), kErrorNoReply);
    EXPECT_EQ(worker->FailureReason(), "no reply to the identify query on " + printer.SlavePath() +
                                           " at 9600 bit/s after 3 tries; nothing arrives at "
                                           "any rate");
    // The other rates reach the printer garbled: three commands at its own.
    const auto commands = printer.Commands();
    ASSERT_EQ(commands.size(), 3u);
    for (const auto& c : commands) {
        EXPECT_EQ(c.code, 0x20);
        EXPECT_EQ(std::string(c.data.begin(), c.data.end()), "DEVICE??");
    }
}

// After its own three tries, a job without a reply asks once at each other
// rate and gives each 100 ms for a first byte: a silent port fails in about
// 1.1 s, where three tries at each of the four took 2.4 s more.
TEST_F(WorkerFixture, ASilentPortIsAskedOnceAtEachOtherRateAndFailsSoon) {
    UsePty();
    SimFaults faults;
    faults.silentCommand = 0x20;
    printer.SetFaults(faults);
    FillBluetooth("x", "y");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(kJobSendSetting), kErrorNoReply);
    const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
    EXPECT_LT(tookMs, 2400);

    const auto starts = [](const std::string& line, const std::string& head) {
        return line.rfind(head, 0) == 0;
    };
    const auto log = SavedLog();
    const auto close = std::find_if(log.begin(), log.end(),
                                    [&](const std::string& line) { return starts(line, "CLOSE"); });
    ASSERT_NE(close, log.end());
    EXPECT_EQ(std::count_if(log.begin(), close,
                            [&](const std::string& line) { return starts(line, "Send "); }),
              3);
    // Each other rate: its IDENTIFY line, one query, one wait (the lines
    // without their times).
    const auto words = [](const std::string& line, int count) {
        size_t end = 0;
        for (int i = 0; i < count && end != std::string::npos; ++i)
            end = line.find(' ', end + 1);
        return line.substr(0, end);
    };
    std::vector<std::string> after;
    for (auto line = close + 1; line != log.end(); ++line) {
        if (starts(*line, "IDENTIFY "))
            after.push_back(words(*line, 4));
        else if (starts(*line, "Send ") || starts(*line, "Rec: "))
            after.push_back(words(*line, 2));
    }
    const std::string at = "IDENTIFY " + printer.SlavePath() + " at ";
    // clang-format off
    EXPECT_EQ(after, (std::vector<std::string>{at + "19200", "Send 20", "Rec: 0",
                                               at + "38400", "Send 20", "Rec: 0",
                                               at + "57600", "Send 20", "Rec: 0",
                                               at + "115200", "Send 20", "Rec: 0"}));
    // clang-format on
}

TEST_F(WorkerFixture, AForeignIdentityGivesFiveAfterACompleteExchange) {
    UseUdp();
    SimFaults faults;
    faults.identity = "ABC\x01";
    printer.SetFaults(faults);
    FillBluetooth("x", "y");
    EXPECT_EQ(Run(kJobSendSetting), kErrorIdentity);
    EXPECT_NE(worker->FailureReason().find("not a supported printer"), std::string::npos);
    EXPECT_EQ(printer.Commands().size(), 1u);  // the setting was never sent
    int receives = 0;
    for (const auto& line : SavedLog())
        receives += line.rfind("Rec: ", 0) == 0;
    EXPECT_EQ(receives, 1);
}

TEST_F(WorkerFixture, ASettingWithoutReplyGivesThree) {
    UsePty();
    SimFaults faults;
    faults.silentCommand = 0x61;
    printer.SetFaults(faults);
    FillBluetooth("x", "y");
    EXPECT_EQ(Run(kJobSendSetting), kErrorNoReply);
    EXPECT_NE(worker->FailureReason().find("the setting command"), std::string::npos);
}

TEST_F(WorkerFixture, APayloadTooLongForAFrameIsRefusedWithoutTouchingThePrinter) {
    UsePty();
    worker->Payload().Command = 0x61;
    worker->Payload().Length = 1013;
    EXPECT_EQ(Run(kJobSendSetting), kErrorBadRequest);
    EXPECT_NE(worker->FailureReason().find("1013"), std::string::npos);
    EXPECT_TRUE(printer.Commands().empty());
}

TEST_F(WorkerFixture, TheSecondJobStartsCleanWhateverTheFirstLeft) {
    UsePty();
    SimFaults silent;
    silent.silentCommand = 0x20;
    printer.SetFaults(silent);
    FillBluetooth("x", "y");
    EXPECT_EQ(Run(kJobSendSetting), kErrorNoReply);
    printer.SetFaults({});
    EXPECT_EQ(Run(kJobSendSetting), kErrorNone);
    EXPECT_TRUE(worker->FailureReason().empty());
    // The log holds the second job only: one identify, answered at once.
    int sends = 0;
    for (const auto& line : SavedLog())
        sends += line.rfind("Send ", 0) == 0;
    EXPECT_EQ(sends, 2);
    EXPECT_TRUE(observer.WaitFinished(2, kJobTimeoutMs));
    EXPECT_EQ(observer.Finished(), 2);
}

TEST_F(WorkerFixture, AnUnknownJobCodeRunsNothingAndLeavesAnEmptyLog) {
    std::ofstream(folder / "debug.log") << "old";
    EXPECT_EQ(Run(42), kErrorNone);
    EXPECT_EQ(ReadFile(folder / "debug.log"), "");
    EXPECT_TRUE(observer.WaitFinished(1, kJobTimeoutMs));
}

TEST_F(WorkerFixture, ASecondStartWhileAJobRunsIsRefused) {
    UsePty();
    // Slow, but within identify's 200 ms: a reply later than its wait would
    // be taken by the next command's (replies are matched by arriving), and
    // the job would end before the printer had the setting.
    SimFaults slow;
    slow.replyDelayMs = 100;
    printer.SetFaults(slow);
    FillBluetooth("first", "1");
    ASSERT_TRUE(worker->StartJob(kJobSendSetting));
    EXPECT_TRUE(worker->Busy());
    EXPECT_FALSE(worker->StartJob(kJobSendSetting));
    ASSERT_TRUE(worker->JobDoneEvent().Wait(kJobTimeoutMs));
    EXPECT_EQ(worker->ErrorCode(), kErrorNone) << worker->FailureReason();
    EXPECT_EQ(printer.Settings().bluetooth->name, "first");
    // The event was consumed: it is not signalled again without a new job.
    EXPECT_FALSE(worker->JobDoneEvent().Wait(0));
}

TEST_F(WorkerFixture, AnUnwritableLogFolderLeavesTheResultStanding) {
    observer.environment.exeFolder = (folder / "missing" / "deeper").string();
    EXPECT_EQ(Run(42), kErrorNone);
    EXPECT_FALSE(worker->LogSaveError().empty());
}

TEST(WorkerFailure, AJobThatThrowsReportsNineAndReleasesThePort) {
    VirtualPrinter printer;
    std::string error;
    ASSERT_TRUE(printer.StartPty(error)) << error;
    TestObserver observer;
    observer.environment.portName = printer.SlavePath();
    observer.environment.exeFolder = fs::temp_directory_path().string();
    observer.environment.debugLogPath =
        (fs::temp_directory_path() / ("throwing-" + std::to_string(getpid()) + ".log")).string();
    // A clock that fails once the link is open: the first frame's log line
    // throws in the middle of the job.
    int calls = 0;
    TCommThread worker(observer, [&calls] {
        if (++calls >= 2)
            throw std::runtime_error("clock unavailable");
        return FixedLogTime();
    });
    worker.Payload().Command = 0x61;
    worker.Payload().Length = 2;
    ASSERT_TRUE(worker.StartJob(kJobSendSetting));
    ASSERT_TRUE(worker.JobDoneEvent().Wait(kJobTimeoutMs));
    EXPECT_EQ(worker.ErrorCode(), kErrorBadRequest);
    EXPECT_NE(worker.FailureReason().find("clock unavailable"), std::string::npos);
    // The port was closed: it opens again at once.
    TMyUart again;
    EXPECT_TRUE(again.Open(printer.SlavePath(), 9600)) << again.LastError();
    fs::remove(observer.environment.debugLogPath);
}

TEST(WorkerLifetime, AnIdleWorkerStopsAtOnce) {
    TestObserver observer;
    const auto start = std::chrono::steady_clock::now();
    { TCommThread worker(observer); }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(observer.Finished(), 0);
}

TEST(WorkerProgress, ReportsAreThrottledButTheFirstAndTheLastAlwaysGoOut) {
    TestObserver observer;
    TCommThread worker(observer);
    const auto start = std::chrono::steady_clock::now();
    for (int done = 0; done < 1000; ++done)
        worker.ReportProgress("", done, 1000, false);
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
    worker.ReportProgress("", 1000, 1000, false);
    const auto progress = observer.Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), std::make_pair(0, 1000));
    EXPECT_EQ(progress.back(), std::make_pair(1000, 1000));
    // Apart from the first and the last, at most one report per 70 ms.
    EXPECT_LE(progress.size(), 2u + static_cast<size_t>(elapsedMs / 70));

    worker.ReportProgress("DOWNLOAD font.bin", 0, 0, true);
    EXPECT_EQ(observer.Status(), std::vector<std::string>{"DOWNLOAD font.bin"});
}

}  // namespace
