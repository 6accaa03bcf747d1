// The Win32 serial port on a real line: a COM port whose other end is the
// virtual printer (scripts/wine-check maps one to printer-sim's
// pseudo-terminal under Wine). PT_TEST_COM names the port; the printer talks
// at 9600 bit/s.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frame_link.h"
#include "my_uart.h"
#include "uart_transport.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

struct UartOnCom : ::testing::Test {
    std::string port;
    TMyUart uart;
    void SetUp() override {
        const char* name = std::getenv("PT_TEST_COM");
        if (name == nullptr || *name == '\0')
            GTEST_SKIP() << "PT_TEST_COM names no port with the virtual printer behind it";
        port = name;
        ASSERT_TRUE(uart.Open(port, 9600)) << uart.LastError();
    }

    // Identify over the port; true when the printer answered "ZDV 7714".
    bool Identified() {
        UartTransport transport(uart);
        FrameLink link;
        link.SetTransport(&transport);
        uint8_t data[4096];
        std::memcpy(data, "DEVICE??", 8);
        return link.SendCommand(0x20, 0, data, 4095, 8, 1, 1000) == 8 &&
               std::string(reinterpret_cast<char*>(data), 8) == "ZDV 7714";
    }
};

TEST(UartDevicePath, ComTenAndAboveGoThroughTheDeviceNamespaceInAnyCase) {
    EXPECT_EQ(TMyUart::DevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(TMyUart::DevicePath("com12"), "\\\\.\\com12");
    EXPECT_EQ(TMyUart::DevicePath("COM3"), "COM3");
    EXPECT_EQ(TMyUart::DevicePath("COMX1"), "COMX1");
}

// Exclusive open is not checked here: Wine lets a second CreateFileA of a COM
// port with share mode 0 succeed, where Windows refuses it.
TEST_F(UartOnCom, SaysPlainlyWhyAnOpenFails) {
    TMyUart missing;
    EXPECT_FALSE(missing.Open("COM199", 9600));
    EXPECT_FALSE(missing.IsOpen());
    const std::string why = missing.LastError();
    EXPECT_EQ(why.rfind("cannot open COM199: ", 0), 0u) << why;
    EXPECT_EQ(why.find_first_of("\r\n"), std::string::npos) << why;
    EXPECT_NE(why.back(), '.') << why;
}

TEST_F(UartOnCom, AReadWaitsAtMostItsTimeoutEvenWhenThatIsZero) {
    uint8_t byte = 0;
    int got = -1;
    auto start = Clock::now();
    EXPECT_EQ(uart.Read(&byte, 1, got, 0), 0);
    EXPECT_EQ(got, 0);
    EXPECT_LT(Since(start), milliseconds(1000));

    start = Clock::now();
    EXPECT_EQ(uart.Read(&byte, 1, got, 300), 0);
    EXPECT_GE(Since(start), milliseconds(290));
    EXPECT_LT(Since(start), milliseconds(2000));
}

TEST_F(UartOnCom, ARateChangeReachesTheLine) {
    EXPECT_TRUE(Identified());
    // The printer stays at 9600: at another rate it hears only garbage.
    ASSERT_TRUE(uart.SetBaudRate(19200)) << uart.LastError();
    EXPECT_EQ(uart.BaudRate(), 19200u);
    EXPECT_FALSE(Identified());
    ASSERT_TRUE(uart.SetBaudRate(9600)) << uart.LastError();
    EXPECT_TRUE(Identified());
}

}  // namespace
