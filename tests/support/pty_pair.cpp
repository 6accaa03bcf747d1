#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "posix_line_rate.h"

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("no pty name");
    slavePath_ = name;
    keptSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keptSlave_ < 0)
        throw std::runtime_error("cannot open the pty slave");
    // Raw on both ends, so every byte passes unchanged.
    termios tio{};
    tcgetattr(keptSlave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(keptSlave_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    if (keptSlave_ >= 0)
        ::close(keptSlave_);
    if (master_ >= 0)
        ::close(master_);
}

void PtyPair::CloseKeptSlave() {
    if (keptSlave_ >= 0)
        ::close(keptSlave_);
    keptSlave_ = -1;
}

void PtyPair::CloseMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyPair::Write(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

std::vector<uint8_t> PtyPair::Read(size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> out;
    uint8_t buffer[4096];
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        const size_t want = std::min(count - out.size(), sizeof buffer);
        const ssize_t n = ::read(master_, buffer, want);
        if (n > 0)
            out.insert(out.end(), buffer, buffer + n);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            break;
    }
    return out;
}

std::vector<uint8_t> PtyPair::Drain(int quietMs) {
    std::vector<uint8_t> out;
    for (;;) {
        std::vector<uint8_t> more = Read(4096, quietMs);
        if (more.empty())
            return out;
        out.insert(out.end(), more.begin(), more.end());
    }
}

uint32_t PtyPair::SlaveRate() const {
    return ReadLineRate(master_);
}
