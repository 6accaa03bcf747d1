#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "udp_peer.h"

struct UdpPeer::Socket {
    int fd = -1;
};

UdpPeer::UdpPeer() : socket_(std::make_unique<Socket>()) {
    socket_->fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_->fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(socket_->fd, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
}

UdpPeer::~UdpPeer() {
    close(socket_->fd);
}

std::vector<uint8_t> UdpPeer::AnswerOne(const std::vector<uint8_t>& reply, const UdpPeer* from) {
    pollfd p{socket_->fd, POLLIN, 0};
    if (poll(&p, 1, 3000) <= 0)
        return {};
    uint8_t buffer[4096];
    sockaddr_in sender{};
    socklen_t len = sizeof sender;
    const ssize_t n =
        recvfrom(socket_->fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &len);
    if (!reply.empty()) {
        sendto((from != nullptr ? from : this)->socket_->fd, reply.data(), reply.size(), 0,
               reinterpret_cast<sockaddr*>(&sender), len);
    }
    return std::vector<uint8_t>(buffer, buffer + std::max<ssize_t>(n, 0));
}
