#include "udp_line.h"

#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::unique_ptr<UdpLine> UdpLine::Open(const std::string& host, uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc =
        getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return nullptr;
    }
    std::unique_ptr<UdpLine> line(new UdpLine());
    int lastErrno = 0;
    for (addrinfo* a = found; a != nullptr && line->fd_ < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0) {
            line->fd_ = fd;
        } else {
            lastErrno = errno;
            ::close(fd);
        }
    }
    freeaddrinfo(found);
    if (line->fd_ < 0) {
        error = "cannot bind " + host + ":" + service + ": " + std::strerror(lastErrno);
        return nullptr;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (getsockname(line->fd_, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
        if (bound.ss_family == AF_INET)
            line->port_ = ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        else if (bound.ss_family == AF_INET6)
            line->port_ = ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    }
    return line;
}

UdpLine::~UdpLine() {
    HangUp();
}

int UdpLine::Read(uint8_t* buffer, size_t capacity) {
    if (fd_ < 0)
        return -1;
    for (;;) {
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC makes the call tell the datagram's real size.
        const ssize_t n = ::recvfrom(fd_, buffer, capacity, MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            // Nothing there, or an error report (an ICMP refusal of an earlier
            // reply): the socket itself is still good.
            return errno == EBADF || errno == ENOTSOCK ? -1 : 0;
        }
        sender_ = from;
        senderLength_ = fromLength;
        if (static_cast<size_t>(n) > capacity)
            return 0;
        return static_cast<int>(n);
    }
}

void UdpLine::Write(const uint8_t* bytes, size_t count) {
    if (fd_ < 0 || senderLength_ == 0)
        return;
    // A datagram that cannot go out is lost, as datagrams are.
    while (::sendto(fd_, bytes, count, 0, reinterpret_cast<const sockaddr*>(&sender_),
                    senderLength_) < 0 &&
           errno == EINTR) {
    }
}

void UdpLine::HangUp() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
