// DatagramTransport over POSIX sockets.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "datagram_transport.h"

struct DatagramTransport::Socket {
    int fd = -1;
};

DatagramTransport::DatagramTransport(DatagramEndpoint endpoint)
    : endpoint_(std::move(endpoint)), socket_(std::make_unique<Socket>()) {}

DatagramTransport::~DatagramTransport() {
    Close();
}

void DatagramTransport::SetEndpoint(const DatagramEndpoint& endpoint) {
    Close();
    endpoint_ = endpoint;
    resolveError_.clear();
}

bool DatagramTransport::IsActive() const {
    return socket_->fd >= 0;
}

void DatagramTransport::Close() {
    if (socket_->fd >= 0) {
        ::close(socket_->fd);
        socket_->fd = -1;
    }
}

bool DatagramTransport::EnsureOpen() {
    if (socket_->fd >= 0)
        return true;
    if (!resolveError_.empty()) {
        lastError_ = resolveError_;
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(endpoint_.port);
    const int rc = getaddrinfo(endpoint_.host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        lastError_ = "cannot resolve " + endpoint_.host + ": " + gai_strerror(rc);
        resolveError_ = lastError_;
        return false;
    }
    int lastErrno = 0;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        // Connected: the kernel then delivers only the endpoint's datagrams.
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            socket_->fd = fd;
            break;
        }
        lastErrno = errno;
        ::close(fd);
    }
    freeaddrinfo(found);
    if (socket_->fd < 0) {
        lastError_ =
            "cannot reach " + endpoint_.host + ":" + service + ": " + std::strerror(lastErrno);
        return false;
    }
    return true;
}

bool DatagramTransport::Send(const uint8_t* data, int count) {
    if (!EnsureOpen())
        return false;
    for (;;) {
        const ssize_t n = ::send(socket_->fd, data, static_cast<size_t>(count), 0);
        if (n == count)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        lastError_ =
            n < 0 ? std::string("send failed: ") + std::strerror(errno) : "send incomplete";
        return false;
    }
}

int DatagramTransport::Receive(uint8_t* buffer, int count, int timeoutMs) {
    if (!EnsureOpen())
        return -1;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{socket_->fd, POLLIN, 0};
        const int ready = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            lastError_ = std::string("waiting for a datagram failed: ") + std::strerror(errno);
            return -1;
        }
        if (ready == 0)
            return 0;
        // MSG_TRUNC makes the call tell the datagram's real size.
        const ssize_t n = ::recv(socket_->fd, buffer, static_cast<size_t>(count), MSG_TRUNC);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR || errno == EAGAIN)
            continue;
        // A refused port (ICMP) surfaces here; it is a missing reply.
        lastError_ = std::string("receive failed: ") + std::strerror(errno);
        return -1;
    }
}
