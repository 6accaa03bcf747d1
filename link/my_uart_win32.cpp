// TMyUart over the Win32 communications API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>

#include "my_uart.h"
#include "win32_error_text.h"

struct TMyUart::Handle {
    HANDLE h = nullptr;  // nullptr: nothing open
};

namespace {

// "what: The system's words", in the form the POSIX side gives.
std::string SystemMessage(const std::string& what, DWORD error) {
    return what + ": " + Win32ErrorText(error);
}

DWORD DtrFlag(uint8_t control) {
    switch (control) {
        case UartLineSettings::DtrEnable:
            return DTR_CONTROL_ENABLE;
        case UartLineSettings::DtrHandshake:
            return DTR_CONTROL_HANDSHAKE;
        default:
            return DTR_CONTROL_DISABLE;
    }
}

DWORD RtsFlag(uint8_t control) {
    switch (control) {
        case UartLineSettings::RtsEnable:
            return RTS_CONTROL_ENABLE;
        case UartLineSettings::RtsHandshake:
            return RTS_CONTROL_HANDSHAKE;
        case UartLineSettings::RtsToggle:
            return RTS_CONTROL_TOGGLE;
        default:
            return RTS_CONTROL_DISABLE;
    }
}

}  // namespace

TMyUart::TMyUart() : handle_(std::make_unique<Handle>()) {}

TMyUart::~TMyUart() {
    CloseHandleOnly();
}

bool TMyUart::IsOpen() const {
    return handle_->h != nullptr;
}

std::string TMyUart::DevicePath(const std::string& name) {
    // "COM10" and above open only through the device namespace; Windows
    // takes the name in any case ("com12").
    const bool com = name.size() > 4 && (name[0] == 'C' || name[0] == 'c') &&
                     (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm');
    if (com && name.find_first_not_of("0123456789", 3) == std::string::npos)
        return "\\\\.\\" + name;
    return name;
}

bool TMyUart::Open(const std::string& name, uint32_t rate) {
    name_ = name;
    const std::string path = DevicePath(name);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // A port that another program holds refuses a second open as access
        // denied (a device) or as a sharing violation (anything else).
        const DWORD error = GetLastError();
        lastError_ = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                         ? name + " is in use by another program"
                         : SystemMessage("cannot open " + name, error);
        return false;
    }
    auto fail = [&](std::string why) {
        CloseHandle(h);
        handle_->h = nullptr;
        lastError_ = std::move(why);
        return false;
    };
    if (GetFileType(h) != FILE_TYPE_CHAR)
        return fail(name + " is not a serial device");
    if (!SetupComm(h, 4096, 4096))
        return fail(SystemMessage("cannot set up " + name, GetLastError()));
    PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    handle_->h = h;
    rate_ = rate;
    ApplyTimeouts();
    if (!ApplyLineSettings())
        return fail(lastError_);
    lastError_.clear();
    return true;
}

void TMyUart::CloseHandleOnly() {
    if (handle_->h != nullptr) {
        CloseHandle(handle_->h);
        handle_->h = nullptr;
    }
}

bool TMyUart::ApplyLineSettings() {
    if (handle_->h == nullptr)
        return false;
    if (rate_ == 0) {
        lastError_ = "a line rate of 0 bit/s is not possible";
        return false;
    }
    // Bytes still in the output queue leave at the rate they were written for.
    FlushFileBuffers(handle_->h);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handle_->h, &dcb);  // keeps EofChar and EvtChar as the device has them
    const UartLineSettings& s = settings_;
    dcb.BaudRate = rate_;
    dcb.fBinary = 1;
    dcb.fParity = s.parityCheck;
    dcb.fOutxCtsFlow = s.ctsOutputFlow;
    dcb.fOutxDsrFlow = s.dsrOutputFlow;
    dcb.fDtrControl = DtrFlag(s.dtrControl);
    dcb.fDsrSensitivity = s.dsrSensitivity;
    dcb.fTXContinueOnXoff = s.txContinueOnXoff;
    dcb.fOutX = s.xonXoffOutput;
    dcb.fInX = s.xonXoffInput;
    dcb.fErrorChar = s.replaceParityErrors;
    dcb.fNull = s.discardNul;
    dcb.fRtsControl = RtsFlag(s.rtsControl);
    dcb.fAbortOnError = 0;
    dcb.XonLim = s.xonLimit;
    dcb.XoffLim = s.xoffLimit;
    dcb.ByteSize = static_cast<BYTE>(s.dataBits + 5);
    dcb.Parity = s.parity;
    dcb.StopBits = s.stopBits;
    dcb.XonChar = static_cast<char>(s.xonChar);
    dcb.XoffChar = static_cast<char>(s.xoffChar);
    dcb.ErrorChar = static_cast<char>(s.errorChar);
    if (!SetCommState(handle_->h, &dcb)) {
        lastError_ = SystemMessage("the device refused the line settings", GetLastError());
        return false;
    }
    // Some drivers take a rate they cannot make without complaint; believe the
    // rate the device reports.
    DCB now{};
    now.DCBlength = sizeof now;
    if (GetCommState(handle_->h, &now) && now.BaudRate != rate_) {
        lastError_ = "the device did not take " + std::to_string(rate_) + " bit/s (it reports " +
                     std::to_string(now.BaudRate) + ")";
        return false;
    }
    // The write timeouts follow the rate.
    ApplyTimeouts();
    return true;
}

bool TMyUart::ApplyTimeouts() {
    if (handle_->h == nullptr)
        return false;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts_.readInterval;
    t.ReadTotalTimeoutMultiplier = timeouts_.readTotalMultiplier;
    t.ReadTotalTimeoutConstant = timeouts_.readTotalConstant;
    if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
        // Both total values 0 would mean no total limit: a read would wait for
        // its first byte for ever. This combination returns at once with what
        // has arrived.
        t.ReadIntervalTimeout = MAXDWORD;
    }
    // Write timeouts of 0 would let a stalled line hold a write for ever.
    // Allow each byte its line time, rounded up to whole milliseconds, and a
    // second more, as the POSIX side does.
    t.WriteTotalTimeoutMultiplier =
        std::max(timeouts_.writeTotalMultiplier, rate_ > 0 ? (10000 + rate_ - 1) / rate_ : 1);
    t.WriteTotalTimeoutConstant = std::max<uint32_t>(timeouts_.writeTotalConstant, 1000);
    return SetCommTimeouts(handle_->h, &t) != 0;
}

int TMyUart::Read(uint8_t* buffer, int count, int& got, int timeoutMs) {
    got = 0;
    SetReadTimeout(static_cast<uint32_t>(timeoutMs < 0 ? 0 : timeoutMs));
    if (handle_->h == nullptr) {
        lastError_ = "no port is open";
        return -1;
    }
    if (count <= 0)
        return 0;
    DWORD n = 0;
    if (!ReadFile(handle_->h, buffer, static_cast<DWORD>(count), &n, nullptr)) {
        lastError_ = SystemMessage("read failed", GetLastError());
        return -1;
    }
    got = static_cast<int>(n);
    return got;
}

bool TMyUart::Write(const uint8_t* buffer, int count) {
    if (handle_->h == nullptr) {
        lastError_ = "no port is open";
        return false;
    }
    DWORD n = 0;
    if (!WriteFile(handle_->h, buffer, static_cast<DWORD>(count), &n, nullptr)) {
        lastError_ = SystemMessage("write failed", GetLastError());
        return false;
    }
    // A short count means the write timed out on a stalled line.
    if (n != static_cast<DWORD>(count)) {
        lastError_ = "write timed out";
        return false;
    }
    return true;
}
