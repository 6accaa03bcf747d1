#include "printer_link.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

void PauseMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

std::string PrintableIdentity(const uint8_t* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] >= 0x20 && bytes[i] < 0x7F) {
            text += static_cast<char>(bytes[i]);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", bytes[i]);
            text += escaped;
        }
    }
    return text;
}

PrinterLink::PrinterLink(LinkLog* log) : log_(log), frames_(log) {}

void PrinterLink::Fail(uint8_t code, std::string reason) {
    errorCode_ = code;
    failureReason_ = std::move(reason);
}

void PrinterLink::ClearError() {
    errorCode_ = kErrorNone;
    failureReason_.clear();
}

std::string DescribeLink(const std::string& portName, uint32_t rate,
                         const DatagramEndpoint& endpoint) {
    if (portName == kDatagramPortName) {
        return endpoint.host + ":" + std::to_string(endpoint.port) + " (UDP)";
    }
    return portName + " at " + std::to_string(rate) + " bit/s";
}

std::string PrinterLink::Where() const {
    return DescribeLink(datagramMode_ ? kDatagramPortName : portName_, uart_.BaudRate(),
                        udp_.Endpoint());
}

bool PrinterLink::OpenLink(const std::string& portName, int32_t rate) {
    uart_.Close();
    portName_ = portName;
    identity_.clear();
    foundRate_ = printerRate_ = 0;
    printerMode_.clear();
    if (portName == kDatagramPortName) {
        datagramMode_ = true;
        uart_.MarkDatagram();
        // A host that does not resolve is a port that cannot be opened, not
        // a printer that does not answer.
        if (!udp_.Open()) {
            Fail(kErrorPortOpen,
                 "the port " + portName + " could not be opened: " + udp_.LastError());
            return false;
        }
        frames_.SetTransport(&udp_);
    } else {
        datagramMode_ = false;
        frames_.SetTransport(nullptr);
        if (rate <= 0) {
            Fail(kErrorPortOpen, "the port " + portName + " could not be opened: " +
                                     std::to_string(rate) + " is not a line rate");
            return false;
        }
        if (!uart_.Open(portName, static_cast<uint32_t>(rate))) {
            Fail(kErrorPortOpen,
                 "the port " + portName + " could not be opened: " + uart_.LastError());
            return false;
        }
        frames_.SetTransport(&uartTransport_);
    }
    if (log_ != nullptr)
        log_->LogLine("OPEN " + portName + log_->Timestamp());
    PauseMs(kPauseAfterOpenMs);
    if (!IdentifyDevice())
        return false;
    foundRate_ = printerRate_ = datagramMode_ ? 0 : rate;
    return true;
}

void PrinterLink::NoteUpdateEnded() {
    printerMode_.clear();
    printerRate_ = foundRate_;
}

int PrinterLink::SendCommand(uint16_t command, uint32_t parameter, uint8_t* data, int maxReply,
                             int length, int tries, int timeoutMs, const std::string& what) {
    const int got =
        frames_.SendCommand(command, parameter, data, maxReply, length, tries, timeoutMs);
    if (got >= 0)
        return got;
    if (frames_.LastFailure() == CommandFailure::Refused) {
        Fail(kErrorBadRequest, what + " was not sent: " + frames_.LastFailureText());
        return -1;
    }
    const int sent = frames_.TriesSent();
    // Each way a wait ends reads before "to <what>", except a failed line,
    // whose own words follow: "no reply to ... after 1 try: the line hung up".
    const bool lineFailed = frames_.LastFailure() == CommandFailure::LineFailed;
    Fail(kErrorNoReply, (lineFailed ? std::string("no reply") : frames_.LastWaitText()) + " to " +
                            what + " on " + Where() + " after " + std::to_string(sent) +
                            (sent == 1 ? " try" : " tries") +
                            (lineFailed ? ": " + frames_.LineError() : std::string()));
    return -1;
}

bool PrinterLink::IdentifyDevice() {
    uint8_t buffer[4096] = {};
    std::memcpy(buffer, kIdentifyQuery, kIdentifyQueryLength);
    if (SendCommand(kCommandIdentify, 0, buffer, 4095, kIdentifyQueryLength, kIdentifyTries,
                    kIdentifyTimeoutMs, "the identify query") < 0) {
        return false;
    }
    // A reply shorter than eight bytes leaves part of the query in place and
    // so never matches.
    const std::string identity(reinterpret_cast<const char*>(buffer), 8);
    for (const char* accepted : kAcceptedIdentities) {
        if (identity == accepted) {
            identity_ = identity;
            return true;
        }
    }
    Fail(kErrorIdentity, "the device on " + Where() + " answered '" + PrintableIdentity(buffer, 8) +
                             "', not a supported printer");
    return false;
}

bool PrinterLink::SwitchBaud(int32_t rate) {
    if (datagramMode_)
        return true;
    if (rate <= 0) {
        Fail(kErrorLocalRate, std::to_string(rate) + " is not a line rate");
        return false;
    }
    const uint32_t target = static_cast<uint32_t>(rate);
    if (target == uart_.BaudRate())
        return true;
    // A printer moved to a rate the port cannot run at would be out of
    // reach: the port proves it can before the printer is asked.
    if (!uart_.CanTakeRate(target)) {
        Fail(kErrorLocalRate, "the port " + portName_ + " cannot run at " + std::to_string(target) +
                                  " bit/s (" + uart_.LastError() +
                                  "); the printer was not asked to");
        return false;
    }
    // The reply comes at the old rate; the port follows only afterwards.
    const uint8_t codeBefore = errorCode_;
    const std::string reasonBefore = failureReason_;
    uint8_t buffer[256] = {};
    if (SendCommand(kCommandRate, target, buffer, 255, 0, 1, kRateTimeoutMs,
                    "the rate command (" + std::to_string(target) + " bit/s)") < 0) {
        // The printer did not take the new rate; both stay where they are and
        // the job goes on. The lost reply alone is no failure.
        errorCode_ = codeBefore;
        failureReason_ = reasonBefore;
        return true;
    }
    printerRate_ = rate;
    if (!uart_.SetBaudRate(target)) {
        Fail(kErrorLocalRate, "the printer moved to " + std::to_string(target) +
                                  " bit/s but the port " + portName_ +
                                  " could not follow: " + uart_.LastError());
        return false;
    }
    PauseMs(kPauseAfterRateMs);
    return true;
}

bool PrinterLink::SendModeCommand(uint32_t mode, uint8_t errorCode, const char* modeName) {
    uint8_t buffer[256] = {};
    const std::string what = std::string("the ") + modeName + "-mode command";
    if (SendCommand(kCommandMode, mode, buffer, 255, 0, kModeTries, kModeTimeoutMs, what) < 0) {
        Fail(errorCode,
             std::string("the printer did not accept ") + modeName + " mode: " + failureReason_);
        return false;
    }
    printerMode_ = modeName;
    PauseMs(kPauseAfterModeMs);
    return true;
}

bool PrinterLink::EnterUpdateMode() {
    return SendModeCommand(kModeUpdate, kErrorUpdateMode, "update");
}

bool PrinterLink::EnterDownloadMode() {
    return SendModeCommand(kModeDownload, kErrorDownloadMode, "download");
}

void PrinterLink::CloseLink() {
    frames_.SetTransport(nullptr);
    if (datagramMode_) {
        udp_.Close();
        if (uart_.IsDatagramMarked())
            uart_.Close();
        return;
    }
    uart_.Close();
    if (log_ != nullptr)
        log_->LogLine("CLOSE " + log_->Timestamp());
}
