#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>

#include "udp_peer.h"

struct UdpPeer::Socket {
    SOCKET s = INVALID_SOCKET;
};

UdpPeer::UdpPeer() : socket_(std::make_unique<Socket>()) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);  // counted: each peer has its own WSACleanup
    socket_->s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_->s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(socket_->s, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
}

UdpPeer::~UdpPeer() {
    closesocket(socket_->s);
    WSACleanup();
}

std::vector<uint8_t> UdpPeer::AnswerOne(const std::vector<uint8_t>& reply, const UdpPeer* from) {
    WSAPOLLFD p{};
    p.fd = socket_->s;
    p.events = POLLRDNORM;
    if (WSAPoll(&p, 1, 3000) <= 0)
        return {};
    char buffer[4096];
    sockaddr_in sender{};
    int len = sizeof sender;
    const int n =
        recvfrom(socket_->s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &len);
    if (!reply.empty()) {
        sendto((from != nullptr ? from : this)->socket_->s,
               reinterpret_cast<const char*>(reply.data()), static_cast<int>(reply.size()), 0,
               reinterpret_cast<sockaddr*>(&sender), len);
    }
    return std::vector<uint8_t>(buffer, buffer + (n > 0 ? n : 0));
}
