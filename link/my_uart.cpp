// The parts of TMyUart that are the same on every platform.
#include "my_uart.h"

void TMyUart::Close() {
    datagramMarker_ = false;
    CloseHandleOnly();
}

void TMyUart::MarkDatagram() {
    CloseHandleOnly();
    datagramMarker_ = true;
}

void TMyUart::SetReadTimeout(uint32_t ms) {
    if (ms == timeouts_.readTotalConstant)
        return;
    timeouts_.readTotalConstant = ms;
    if (IsOpen())
        ApplyTimeouts();
}

bool TMyUart::SetBaudRate(uint32_t rate) {
    if (rate == rate_)
        return true;
    const uint32_t previous = rate_;
    rate_ = rate;
    if (!IsOpen())
        return true;
    if (ApplyLineSettings())
        return true;
    // The device kept its old rate; so does the object, to stay truthful.
    rate_ = previous;
    return false;
}

bool TMyUart::CanTakeRate(uint32_t rate) {
    if (rate == rate_ || !IsOpen())
        return true;
    // Tried on the idle line and undone at once: the device's own answer
    // is the only reliable one (drivers cap rates below what the system
    // headers list).
    const uint32_t previous = rate_;
    if (!SetBaudRate(rate))
        return false;
    if (!SetBaudRate(previous)) {
        lastError_ = "the port did not return to " + std::to_string(previous) + " bit/s";
        return false;
    }
    return true;
}
