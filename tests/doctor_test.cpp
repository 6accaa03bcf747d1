// printer-cli doctor and the diagnosis after a job without a reply: each
// fault of the virtual printer against the line it gets and the exit
// status, with nothing but identify queries sent.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "background_process.h"
#include "child_process.h"
#include "comm_thread.h"
#include "doctor_checks.h"
#include "my_uart.h"
#include "pty_pair.h"
#include "test_observer.h"
#include "virtual_printer.h"

namespace {

enum class PortState { Printer, Missing, InUse };

struct DoctorCase {
    const char* name;
    uint32_t printerRate;
    SimFaults faults;
    PortState port;
    const char* check;  // the last line
    CheckStatus status;
    const char* reason;  // a part of its reason
    int code;
};

// clang-format off
const DoctorCase kDoctorCases[] = {
    {"answers at the asked rate", 9600, {}, PortState::Printer,
     "identify", CheckStatus::Ok, "ZDV 7714 answers at 9600 bit/s", 0},
    {"another rate", 115200, {}, PortState::Printer,
     "identify", CheckStatus::Warning, "answers at 115200 bit/s, not at 9600 bit/s", 0},
    {"noise before each reply", 9600, {.noiseBytes = 16}, PortState::Printer,
     "identify", CheckStatus::Warning, "16 stray bytes came before the reply", 0},
    {"broken frames", 9600, {.badHeaderCheck = true}, PortState::Printer,
     "identify", CheckStatus::Failed, "bytes arrive but no valid frame at any rate", 3},
    {"foreign identity", 9600, {.identity = "MODEM 01"}, PortState::Printer,
     "identify", CheckStatus::Failed, "a device answers 'MODEM 01' at 9600 bit/s", 5},
    {"silence", 9600, {.silentCommand = kCommandIdentify}, PortState::Printer,
     "identify", CheckStatus::Failed,
     "nothing arrives at any rate (9600, 19200, 38400, 57600, 115200 bit/s)", 3},
    {"missing port", 9600, {}, PortState::Missing,
     "port", CheckStatus::Failed, "does not exist", 1},
    {"port in use", 9600, {}, PortState::InUse,
     "access", CheckStatus::Failed, "another program holds the port", 1},
};
// clang-format on

TEST(Doctor, EachFaultGetsItsLineAndExitStatusWithIdentifyQueriesOnly) {
    for (const DoctorCase& c : kDoctorCases) {
        SCOPED_TRACE(c.name);
        VirtualPrinter printer(SimOptions{.rate = c.printerRate});
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
        printer.SetFaults(c.faults);
        TMyUart holder;
        if (c.port == PortState::InUse) {
            ASSERT_TRUE(holder.Open(printer.SlavePath(), 9600)) << holder.LastError();
        }
        const std::string port =
            c.port == PortState::Missing ? printer.SlavePath() + "-gone" : printer.SlavePath();

        const DoctorReport report = DiagnosePort(port, 9600, {});

        ASSERT_FALSE(report.checks.empty());
        const DoctorCheck& last = report.checks.back();
        EXPECT_EQ(last.check, c.check);
        EXPECT_EQ(last.status, c.status);
        EXPECT_NE(last.reason.find(c.reason), std::string::npos) << last.reason;
        EXPECT_EQ(last.action.empty(), c.status == CheckStatus::Ok) << last.action;
        EXPECT_EQ(report.code, c.code);
        const auto commands = printer.Commands();
        EXPECT_EQ(commands.empty(), c.port != PortState::Printer);
        for (const ReceivedCommand& command : commands)
            EXPECT_EQ(command.code, kCommandIdentify);
        EXPECT_EQ(printer.Rate(), c.printerRate);
    }
}

TEST(Doctor, TheProgramExitsWithTheFailedChecksCodeAndTakesJsonAfterTheCommand) {
    const ChildResult run =
        RunChild({PRINTER_CLI_PATH, "doctor", "-p", "/dev/no-such-port", "--json"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.out.find("\"port\":\"/dev/no-such-port\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"status\":\"failed\""), std::string::npos) << run.out;
}

// The worker's identify job on `port` at 9600 bit/s, to its end.
void RunIdentifyAt9600(TestObserver& observer, TCommThread& worker, const std::string& port) {
    observer.environment.portName = port;
    observer.environment.portRate = 9600;
    observer.environment.exeFolder = ::testing::TempDir();
    ASSERT_TRUE(worker.StartJob(kJobIdentify));
    ASSERT_TRUE(worker.JobDoneEvent().Wait(20000));
}

TEST(Doctor, AJobWithoutAReplySaysWhereThePrinterAnswers) {
    VirtualPrinter printer(SimOptions{.rate = 115200});
    std::string error;
    ASSERT_TRUE(printer.StartPty(error)) << error;
    TestObserver observer;
    TCommThread worker(observer);
    ASSERT_NO_FATAL_FAILURE(RunIdentifyAt9600(observer, worker, printer.SlavePath()));

    EXPECT_EQ(worker.ErrorCode(), kErrorNoReply);
    const std::string reason = worker.FailureReason();
    EXPECT_NE(reason.find("at 9600 bit/s after 3 tries; the printer answers at 115200 bit/s: "
                          "pick 115200 in BAUD RATE"),
              std::string::npos)
        << reason;
    for (const ReceivedCommand& command : printer.Commands())
        EXPECT_EQ(command.code, kCommandIdentify);
    EXPECT_EQ(printer.Rate(), 115200u);
}

// A program that opened the port before (cat left running) gets through
// the tool's lock and reads the replies: doctor names it and stops there,
// and a job without a reply names it in its failure.
TEST(Doctor, AProgramHoldingThePortIsNamedInTheAccessCheckAndInAJobsFailure) {
    PtyPair line;  // nothing answers on it
    BackgroundProcess cat({"cat"}, line.SlavePath());
    ASSERT_TRUE(cat.WaitUntilReading(line.SlavePath(), 10000));
    const std::string pid = std::to_string(cat.Pid());

    const DoctorReport report = DiagnosePort(line.SlavePath(), 9600, {});
    ASSERT_FALSE(report.checks.empty());
    const DoctorCheck& access = report.checks.back();
    EXPECT_EQ(access.check, "access");
    EXPECT_EQ(access.status, CheckStatus::Failed);
    EXPECT_EQ(access.reason, "another program holds the port: cat (PID " + pid + ")");
    EXPECT_NE(access.action.find("kill " + pid), std::string::npos) << access.action;
    EXPECT_EQ(report.code, kErrorPortOpen);
    EXPECT_TRUE(line.Drain(50).empty());  // no identify was sent

    TestObserver observer;
    TCommThread worker(observer);
    ASSERT_NO_FATAL_FAILURE(RunIdentifyAt9600(observer, worker, line.SlavePath()));
    EXPECT_EQ(worker.ErrorCode(), kErrorNoReply);
    EXPECT_NE(worker.FailureReason().find("nothing arrives at any rate; cat (PID " + pid +
                                          ") holds the port too and may take the replies"),
              std::string::npos)
        << worker.FailureReason();
}

// printer-sim keeps the slave of its pseudo-terminal open beside the
// master, so that the line never hangs up: it is the other end of the
// line, not a program that takes the replies.
TEST(Doctor, TheVirtualPrinterProgramIsNoOtherProgramOnItsPort) {
    const std::string out =
        ::testing::TempDir() + "doctor-sim-" + std::to_string(getpid()) + ".out";
    BackgroundProcess sim({PRINTER_SIM_PATH, "--quiet"}, {}, out);
    const std::string port = WaitForFirstLine(out, 10000);
    ASSERT_FALSE(port.empty()) << "printer-sim did not start";

    const DoctorReport report = DiagnosePort(port, 9600, {});
    ASSERT_GE(report.checks.size(), 3u);
    EXPECT_EQ(report.checks[1].check, "access");
    EXPECT_EQ(report.checks[1].status, CheckStatus::Ok) << report.checks[1].reason;
    EXPECT_EQ(report.checks[2].status, CheckStatus::Ok) << report.checks[2].reason;
    EXPECT_EQ(report.code, 0);
    std::remove(out.c_str());
}

}  // namespace
