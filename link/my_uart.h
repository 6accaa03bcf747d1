// TMyUart: the tool's serial port. Opens a device exclusively, holds it in a
// fixed raw line configuration (8N1, no flow control, DTR and RTS raised) at a
// chosen rate, and reads with a total timeout per read and a 100 ms limit
// between two bytes. The platform code lives in my_uart_posix.cpp and
// my_uart_win32.cpp; the build picks one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The line settings, one field per member of the Win32 DCB they become.
struct UartLineSettings {
    enum DtrControl : uint8_t { DtrEnable = 0, DtrDisable = 1, DtrHandshake = 2 };
    enum RtsControl : uint8_t { RtsEnable = 0, RtsDisable = 1, RtsHandshake = 2, RtsToggle = 3 };

    bool parityCheck = false;
    bool ctsOutputFlow = false;
    bool dsrOutputFlow = false;
    uint8_t dtrControl = DtrEnable;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = true;
    bool xonXoffOutput = false;
    bool xonXoffInput = false;
    bool replaceParityErrors = false;
    bool discardNul = false;
    uint8_t rtsControl = RtsEnable;
    uint16_t xonLimit = 500;
    uint16_t xoffLimit = 500;
    uint8_t dataBits = 3;  // 0..3 for 5..8 bits
    uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;
    uint8_t errorChar = 0x00;
};

// Read timeouts in milliseconds, in the order of the Win32 COMMTIMEOUTS.
struct UartTimeouts {
    uint32_t readInterval = 100;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

class TMyUart {
  public:
    // Time allowed between two bytes of one read once the first has come.
    static constexpr int kInterByteTimeoutMs = 100;
    static constexpr uint32_t kDefaultRate = 9600;

    TMyUart();
    ~TMyUart();
    TMyUart(const TMyUart&) = delete;
    TMyUart& operator=(const TMyUart&) = delete;

    // Opens `name` at `rate`. On POSIX "COMn" (n >= 1) stands for /dev/ttyS(n-1)
    // and any other text is a path. On failure nothing stays open, the result
    // is false and LastError() says why. Does not close an open port.
    bool Open(const std::string& name, uint32_t rate);
    // Closes the port, or clears the datagram marker; does nothing when closed.
    void Close();

    // Reads up to `count` bytes, waiting at most `timeoutMs` in total and at
    // most 100 ms between two bytes once one has come. Returns the count read
    // (also stored in `got`; 0 when nothing came) or -1 when the system read
    // fails or the line hung up.
    int Read(uint8_t* buffer, int count, int& got, int timeoutMs);
    // True only when every one of the `count` bytes was accepted.
    bool Write(const uint8_t* buffer, int count);

    // Changes the line rate (draining output first). The same rate, or any
    // rate while closed, is only stored. False when the device refused it.
    bool SetBaudRate(uint32_t rate);
    // True when the open port can run at `rate`: it is set and undone at
    // once. False with LastError() saying why; the port keeps its rate.
    bool CanTakeRate(uint32_t rate);
    void SetReadTimeout(uint32_t ms);
    bool ApplyLineSettings();
    bool ApplyTimeouts();

    uint32_t BaudRate() const { return rate_; }
    uint32_t ReadTimeout() const { return timeouts_.readTotalConstant; }
    bool IsOpen() const;
    const std::string& PortName() const { return name_; }
    const UartLineSettings& LineSettings() const { return settings_; }

    // While the link runs over datagrams the handle holds a marker instead of
    // a port: nothing is open, and Close() only clears the marker.
    void MarkDatagram();
    bool IsDatagramMarked() const { return datagramMarker_; }

    // Plain words for the last failure, with the system's message.
    const std::string& LastError() const { return lastError_; }

    // The system path that Open uses for `name` ("COM3" -> "/dev/ttyS2").
    static std::string DevicePath(const std::string& name);

  private:
    struct Handle;  // the platform's descriptor or handle

    void CloseHandleOnly();

    UartLineSettings settings_;
    UartTimeouts timeouts_;
    uint32_t rate_ = kDefaultRate;
    bool datagramMarker_ = false;
    std::string name_;
    std::string lastError_;
    std::unique_ptr<Handle> handle_;
};
