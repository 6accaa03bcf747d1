// A UDP socket on loopback that plays the printer's end of a datagram link.
// The system calls live in udp_peer_posix.cpp and udp_peer_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class UdpPeer {
  public:
    UdpPeer();
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    uint16_t Port() const { return port_; }

    // Waits up to 3 s for one datagram and answers its sender with `reply`
    // (nothing when empty), sent from `from` when given, to test that foreign
    // senders are ignored. Returns the datagram, empty when none came.
    std::vector<uint8_t> AnswerOne(const std::vector<uint8_t>& reply,
                                   const UdpPeer* from = nullptr);

  private:
    struct Socket;
    std::unique_ptr<Socket> socket_;
    uint16_t port_ = 0;
};
