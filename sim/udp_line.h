// A UDP socket as the printer's line: each datagram is a frame, and each
// reply goes to the sender of the datagram it answers.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <string>

#include "line_channel.h"

class UdpLine : public LineChannel {
  public:
    // Binds `host`:`port` (port 0: any free one); null with `error` on failure.
    static std::unique_ptr<UdpLine> Open(const std::string& host, uint16_t port,
                                         std::string& error);
    ~UdpLine() override;

    uint16_t Port() const { return port_; }

    bool IsStream() const override { return false; }
    int Fd() const override { return fd_; }
    // A datagram larger than `capacity` is dropped whole (0).
    int Read(uint8_t* buffer, size_t capacity) override;
    void Write(const uint8_t* bytes, size_t count) override;
    uint32_t PeerRate() const override { return 0; }
    void HangUp() override;

  private:
    UdpLine() = default;

    int fd_ = -1;
    uint16_t port_ = 0;
    sockaddr_storage sender_{};
    socklen_t senderLength_ = 0;
};
