// TMyUart over the Win32 communications API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "my_uart.h"

struct TMyUart::Handle {
    HANDLE h = nullptr;  // nullptr: nothing open
};

namespace {

std::string SystemMessage(const std::string& what, DWORD error) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) {
        message.pop_back();
    }
    return what + ": " + message;
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
    // "COM10" and above open only through the device namespace.
    if (name.size() > 4 && name.compare(0, 3, "COM") == 0 &&
        name.find_first_not_of("0123456789", 3) == std::string::npos) {
        return "\\\\.\\" + name;
    }
    return name;
}

bool TMyUart::Open(const std::string& name, uint32_t rate) {
    name_ = name;
    const std::string path = DevicePath(name);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        lastError_ = error == ERROR_ACCESS_DENIED ? name + " is in use by another program"
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
    ApplyTimeouts();
    rate_ = rate;
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
    return true;
}

bool TMyUart::ApplyTimeouts() {
    if (handle_->h == nullptr)
        return false;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts_.readInterval;
    t.ReadTotalTimeoutMultiplier = timeouts_.readTotalMultiplier;
    t.ReadTotalTimeoutConstant = timeouts_.readTotalConstant;
    t.WriteTotalTimeoutMultiplier = timeouts_.writeTotalMultiplier;
    t.WriteTotalTimeoutConstant = timeouts_.writeTotalConstant;
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
    if (n != static_cast<DWORD>(count)) {
        lastError_ = "write incomplete";
        return false;
    }
    return true;
}
