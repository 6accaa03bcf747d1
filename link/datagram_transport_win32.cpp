// DatagramTransport over Winsock.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <string>

#include "datagram_transport.h"
#include "win32_error_text.h"

struct DatagramTransport::Socket {
    SOCKET s = INVALID_SOCKET;
    bool started = false;
};

namespace {

// "what: The system's words", in the form the POSIX side gives.
std::string SocketMessage(const std::string& what, int error = WSAGetLastError()) {
    return what + ": " + Win32ErrorText(static_cast<uint32_t>(error));
}

}  // namespace

DatagramTransport::DatagramTransport(DatagramEndpoint endpoint)
    : endpoint_(std::move(endpoint)), socket_(std::make_unique<Socket>()) {}

DatagramTransport::~DatagramTransport() {
    Close();
    if (socket_->started)
        WSACleanup();
}

void DatagramTransport::SetEndpoint(const DatagramEndpoint& endpoint) {
    Close();
    endpoint_ = endpoint;
    resolveError_.clear();
}

bool DatagramTransport::IsActive() const {
    return socket_->s != INVALID_SOCKET;
}

void DatagramTransport::Close() {
    if (socket_->s != INVALID_SOCKET) {
        closesocket(socket_->s);
        socket_->s = INVALID_SOCKET;
    }
}

bool DatagramTransport::EnsureOpen() {
    if (socket_->s != INVALID_SOCKET)
        return true;
    if (!resolveError_.empty()) {
        lastError_ = resolveError_;
        return false;
    }
    if (!socket_->started) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            lastError_ = "Winsock is not available";
            return false;
        }
        socket_->started = true;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(endpoint_.port);
    const int rc = getaddrinfo(endpoint_.host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        lastError_ = SocketMessage("cannot resolve " + endpoint_.host, rc);
        resolveError_ = lastError_;
        return false;
    }
    int lastError = 0;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) {
            lastError = WSAGetLastError();
            continue;
        }
        if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
            socket_->s = s;
            break;
        }
        lastError = WSAGetLastError();
        closesocket(s);
    }
    freeaddrinfo(found);
    if (socket_->s == INVALID_SOCKET) {
        lastError_ = SocketMessage("cannot reach " + endpoint_.host + ":" + service, lastError);
        return false;
    }
    return true;
}

bool DatagramTransport::Send(const uint8_t* data, int count) {
    if (!EnsureOpen())
        return false;
    const int n = ::send(socket_->s, reinterpret_cast<const char*>(data), count, 0);
    if (n != count) {
        lastError_ = SocketMessage("send failed");
        return false;
    }
    return true;
}

int DatagramTransport::Receive(uint8_t* buffer, int count, int timeoutMs) {
    if (!EnsureOpen())
        return -1;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Rounded up, so the wait never ends before the deadline.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        WSAPOLLFD p{};
        p.fd = socket_->s;
        p.events = POLLRDNORM;
        const int ready = WSAPoll(&p, 1, left > 0 ? static_cast<INT>(left) : 0);
        if (ready == SOCKET_ERROR) {
            lastError_ = SocketMessage("waiting for a datagram failed");
            return -1;
        }
        if (ready == 0)
            return 0;
        const int n = ::recv(socket_->s, reinterpret_cast<char*>(buffer), count, 0);
        if (n >= 0)
            return n;
        if (WSAGetLastError() == WSAEMSGSIZE)
            return count + 1;  // cut: longer than the buffer
        lastError_ = SocketMessage("receive failed");
        return -1;
    }
}
