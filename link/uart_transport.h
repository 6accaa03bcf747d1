// The serial port seen as a frame transport.
#pragma once

#include "my_uart.h"
#include "transport.h"

class UartTransport : public Transport {
  public:
    explicit UartTransport(TMyUart& uart) : uart_(uart) {}

    TransportKind Kind() const override { return TransportKind::Stream; }
    bool Send(const uint8_t* data, int count) override { return uart_.Write(data, count); }
    int Receive(uint8_t* buffer, int count, int timeoutMs) override {
        int got = 0;
        return uart_.Read(buffer, count, got, timeoutMs);
    }
    int TransmitTimeMs(int count) const override {
        const uint64_t rate = uart_.BaudRate();
        if (rate == 0 || count <= 0)
            return 0;
        return static_cast<int>((static_cast<uint64_t>(count) * 10 * 1000 + rate - 1) / rate);
    }
    std::string LastError() const override { return uart_.LastError(); }

  private:
    TMyUart& uart_;
};
