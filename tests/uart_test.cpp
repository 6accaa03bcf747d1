#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "my_uart.h"
#include "pty_pair.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace fs = std::filesystem;

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(UartNames, ComNumbersMapToTtySDevicesAndEverythingElseIsAPath) {
    EXPECT_EQ(TMyUart::DevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(TMyUart::DevicePath("COM10"), "/dev/ttyS9");
    EXPECT_EQ(TMyUart::DevicePath("COM0"), "COM0");
    EXPECT_EQ(TMyUart::DevicePath("com1"), "com1");
    EXPECT_EQ(TMyUart::DevicePath("COM1 "), "COM1 ");
    EXPECT_EQ(TMyUart::DevicePath("COMX"), "COMX");
    EXPECT_EQ(TMyUart::DevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(UartOpen, RefusesWhatIsNotASerialDevice) {
    const fs::path dir = fs::temp_directory_path() / ("uart-open-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "plain";
    std::ofstream(file) << "x";
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name : {std::string("/dev/null"), file.string(), dir.string(),
                                    fifo.string(), (dir / "missing").string(), std::string("")}) {
        TMyUart uart;
        EXPECT_FALSE(uart.Open(name, 9600)) << name;
        EXPECT_FALSE(uart.IsOpen()) << name;
        EXPECT_FALSE(uart.LastError().empty()) << name;
    }
    fs::remove_all(dir);
}

TEST(UartOpen, IsExclusiveAgainstAnotherProcess) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600)) << uart.LastError();
    // Root gets past the kernel's exclusive mode and meets the lock; a
    // normal user is turned away by the kernel. Both hear the same words.
    const bool asRoot = getuid() == 0;
    for (const bool normalUser :
         asRoot ? std::vector<bool>{false, true} : std::vector<bool>{false}) {
        if (normalUser) {
            ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
        }
        const pid_t child = fork();
        if (child == 0) {
            if (normalUser && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(3);
            TMyUart other;
            if (other.Open(pty.SlavePath(), 9600))
                _exit(1);
            _exit(other.LastError().find("is in use by another program") != std::string::npos ? 0
                                                                                              : 2);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << (normalUser ? "as a normal user: " : "") << "1: it opened a port in use; 2: "
            << "another message";
    }

    TMyUart sameProcess;
    EXPECT_FALSE(sameProcess.Open(pty.SlavePath(), 9600));
    EXPECT_NE(sameProcess.LastError().find("in use"), std::string::npos);
}

TEST(UartOpen, OpensClosesAndOpensAgain) {
    PtyPair pty;
    TMyUart uart;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600)) << "round " << round << uart.LastError();
        EXPECT_TRUE(uart.IsOpen());
        uart.Close();
        EXPECT_FALSE(uart.IsOpen());
        uart.Close();  // closing twice does nothing
    }
    // The datagram marker is not a port: Close only clears it.
    uart.MarkDatagram();
    EXPECT_TRUE(uart.IsDatagramMarked());
    EXPECT_FALSE(uart.IsOpen());
    uart.Close();
    EXPECT_FALSE(uart.IsDatagramMarked());
}

TEST(UartOpen, PutsTheLineIntoRaw8N1WithoutFlowControl) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 19200));
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);  // the master reports the slave's settings
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(pty.SlaveRate(), 19200u);
}

TEST(UartOpen, DropsBytesThatArrivedBeforeTheOpen) {
    PtyPair pty;
    pty.Write({1, 2, 3, 4, 5});
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600));
    uint8_t buffer[8];
    int got = -1;
    EXPECT_EQ(uart.Read(buffer, 8, got, 50), 0);
    EXPECT_EQ(got, 0);
}

TEST(UartTransfer, EveryByteValuePassesBothWaysUnchanged) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 115200));
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);

    ASSERT_TRUE(uart.Write(all.data(), 256));
    EXPECT_EQ(pty.Read(256, 2000), all);

    pty.Write(all);
    Bytes received(256);
    int got = 0;
    EXPECT_EQ(uart.Read(received.data(), 256, got, 2000), 256);
    EXPECT_EQ(received, all);
}

TEST(UartTransfer, AWriteLargerThanTheQueueIsHandedOverWhole) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 115200));
    Bytes big(64 * 1024);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    std::thread reader([&] { EXPECT_EQ(pty.Read(big.size(), 5000), big); });
    EXPECT_TRUE(uart.Write(big.data(), static_cast<int>(big.size())));
    reader.join();
}

TEST(UartTransfer, FailsWithoutAnOpenPort) {
    TMyUart uart;
    uint8_t b[4] = {};
    int got = 7;
    EXPECT_FALSE(uart.Write(b, 4));
    EXPECT_EQ(uart.Read(b, 4, got, 10), -1);
}

TEST(UartTransfer, AHangUpIsAFailureNotATimeout) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600));
    pty.CloseMaster();
    uint8_t b[4];
    int got = 0;
    const auto start = Clock::now();
    EXPECT_EQ(uart.Read(b, 4, got, 2000), -1);
    EXPECT_LT(Since(start), milliseconds(1500));
}

// Timing: bounds are checked on the side that cannot be flaky (a read never
// returns before its deadline) and with wide margins on the other.
TEST(UartReadTiming, ANoShowReturnsZeroAfterTheTotalTimeout) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600));
    uint8_t b[1];
    int got = -1;
    const auto start = Clock::now();
    EXPECT_EQ(uart.Read(b, 1, got, 150), 0);
    const auto elapsed = Since(start);
    EXPECT_GE(elapsed, milliseconds(150));
    EXPECT_LT(elapsed, milliseconds(1000));
}

TEST(UartReadTiming, APauseOfMoreThanAHundredMillisecondsEndsTheRead) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600));
    std::thread sender([&] {
        pty.Write({1, 2, 3, 4});
        std::this_thread::sleep_for(milliseconds(600));
        pty.Write({5, 6, 7, 8, 9, 10});
    });
    uint8_t b[10];
    int got = 0;
    const auto start = Clock::now();
    EXPECT_EQ(uart.Read(b, 10, got, 3000), 4);
    EXPECT_EQ(got, 4);
    EXPECT_LT(Since(start), milliseconds(550));
    sender.join();
    EXPECT_EQ(uart.Read(b, 6, got, 1000), 6);
    EXPECT_EQ(b[0], 5);
}

TEST(UartReadTiming, AFirstByteLaterThanTheGapIsStillWaitedFor) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600));
    std::thread sender([&] {
        std::this_thread::sleep_for(milliseconds(300));
        pty.Write({0x42});
    });
    uint8_t b[1];
    int got = 0;
    EXPECT_EQ(uart.Read(b, 1, got, 3000), 1);
    EXPECT_EQ(b[0], 0x42);
    sender.join();
}

TEST(UartRate, ChangesAreSeenOnTheOtherSide) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 9600));
    EXPECT_EQ(pty.SlaveRate(), 9600u);
    EXPECT_TRUE(uart.SetBaudRate(115200));
    EXPECT_EQ(pty.SlaveRate(), 115200u);
    EXPECT_EQ(uart.BaudRate(), 115200u);
#if defined(__linux__)
    EXPECT_TRUE(uart.SetBaudRate(250000));  // not a standard rate
    EXPECT_EQ(pty.SlaveRate(), 250000u);
#endif
}

TEST(UartRate, ARefusedRateKeepsTheOldOne) {
    PtyPair pty;
    TMyUart uart;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 19200));
    EXPECT_FALSE(uart.SetBaudRate(0));
    EXPECT_EQ(uart.BaudRate(), 19200u);
    EXPECT_EQ(pty.SlaveRate(), 19200u);
    EXPECT_FALSE(uart.LastError().empty());
    EXPECT_TRUE(uart.SetBaudRate(19200));  // same rate: nothing to do
}

TEST(UartRate, WhileClosedTheRateIsOnlyStored) {
    TMyUart uart;
    EXPECT_TRUE(uart.SetBaudRate(57600));
    EXPECT_EQ(uart.BaudRate(), 57600u);
    PtyPair pty;
    ASSERT_TRUE(uart.Open(pty.SlavePath(), 38400));  // Open takes its own rate
    EXPECT_EQ(pty.SlaveRate(), 38400u);
}

}  // namespace
