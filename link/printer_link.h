// The steps every printer job is made of: open the link and prove the device
// is a supported printer, move printer and port to another rate, put the
// printer into a mode, close. Runs on the worker thread. Each failure leaves
// a job error code and a one-line reason in plain words.
#pragma once

#include <cstdint>
#include <string>

#include "datagram_transport.h"
#include "error_codes.h"
#include "frame_link.h"
#include "link_log.h"
#include "my_uart.h"
#include "printer_commands.h"
#include "uart_transport.h"

// The port name that selects the datagram link instead of a serial port.
inline constexpr const char* kDatagramPortName = "TCP/IP";

inline constexpr int kIdentifyTries = 3;
inline constexpr int kIdentifyTimeoutMs = 200;
inline constexpr int kRateTimeoutMs = 600;
inline constexpr int kModeTries = 3;
inline constexpr int kModeTimeoutMs = 600;
inline constexpr int kPauseAfterOpenMs = 10;
inline constexpr int kPauseAfterRateMs = 6;
inline constexpr int kPauseAfterModeMs = 30;

// Identities of the supported printers, compared byte for byte.
inline constexpr const char* kAcceptedIdentities[] = {"ZDV 7714", "ZDV 77XX"};

// Where a link goes, for messages: "COM3 at 9600 bit/s" or
// "127.0.0.1:9100 (UDP)" for the datagram port name.
// An identity as the user should read it: printable bytes as they are,
// anything else as \xNN.
std::string PrintableIdentity(const uint8_t* bytes, size_t count);

std::string DescribeLink(const std::string& portName, uint32_t rate,
                         const DatagramEndpoint& endpoint);

class PrinterLink {
  public:
    explicit PrinterLink(LinkLog* log);

    // Where "TCP/IP" sends its datagrams.
    void SetDatagramEndpoint(const DatagramEndpoint& endpoint) { udp_.SetEndpoint(endpoint); }

    bool OpenLink(const std::string& portName, int32_t rate);
    bool IdentifyDevice();
    // Moves printer and port to `rate`. A printer that does not answer keeps
    // its rate, and so does the port: the job goes on at the current rate.
    // The rate command is only sent once the local port has shown that it
    // can run at `rate`; otherwise nothing is sent and the result is false.
    bool SwitchBaud(int32_t rate);
    bool EnterUpdateMode();
    bool EnterDownloadMode();
    // Ends the link; always called after OpenLink, whatever it returned.
    void CloseLink();

    // One command with retries; -1 with error 3 when no valid reply came.
    // `what` names the step in the failure reason ("the setting command").
    int SendCommand(uint16_t command, uint32_t parameter, uint8_t* data, int maxReply, int length,
                    int tries, int timeoutMs, const std::string& what);

    uint8_t ErrorCode() const { return errorCode_; }
    const std::string& FailureReason() const { return failureReason_; }
    // Records a failure; a later failure replaces an earlier one.
    void Fail(uint8_t code, std::string reason);
    void ClearError();

    // What the link knows of the printer's state since OpenLink identified
    // it: the rate it talks at (0 over datagrams, where there is none) and
    // the mode it was put in ("update", "download"; empty: none).
    int32_t PrinterRate() const { return printerRate_; }
    const std::string& PrinterMode() const { return printerMode_; }
    // The printer confirmed the end of update: it starts afresh, as found.
    void NoteUpdateEnded();

    bool DatagramMode() const { return datagramMode_; }
    const std::string& Identity() const { return identity_; }
    TMyUart& Uart() { return uart_; }
    FrameLink& Frames() { return frames_; }

  private:
    std::string Where() const;
    bool SendModeCommand(uint32_t mode, uint8_t errorCode, const char* modeName);

    LinkLog* log_;
    TMyUart uart_;
    UartTransport uartTransport_{uart_};
    DatagramTransport udp_;
    FrameLink frames_;
    bool datagramMode_ = false;
    std::string portName_;
    std::string identity_;
    int32_t foundRate_ = 0;
    int32_t printerRate_ = 0;
    std::string printerMode_;
    uint8_t errorCode_ = kErrorNone;
    std::string failureReason_;
};
