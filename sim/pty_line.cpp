#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "posix_line_rate.h"

namespace {

// A reader that takes nothing for this long loses what is left to write.
constexpr int kWriteStallMs = 200;

std::string SystemMessage(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<PtyLine> PtyLine::Open(uint32_t rate, std::string& error) {
    std::unique_ptr<PtyLine> line(new PtyLine());
    line->master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->master_ < 0) {
        error = SystemMessage("cannot create a pseudo-terminal");
        return nullptr;
    }
    char name[128];
    if (grantpt(line->master_) != 0 || unlockpt(line->master_) != 0 ||
        ptsname_r(line->master_, name, sizeof name) != 0) {
        error = SystemMessage("cannot prepare the pseudo-terminal");
        return nullptr;
    }
    line->slavePath_ = name;
    line->keptSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->keptSlave_ < 0) {
        error = SystemMessage("cannot open " + line->slavePath_);
        return nullptr;
    }
    // Raw, so that no byte is changed or echoed before the tool sets its own
    // line settings; at the printer's rate, so that a plain open() talks.
    termios tio{};
    if (tcgetattr(line->keptSlave_, &tio) != 0) {
        error = SystemMessage("cannot read the settings of " + line->slavePath_);
        return nullptr;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (!SetLineRate(line->keptSlave_, tio, rate, error))
        return nullptr;
    const int flags = fcntl(line->master_, F_GETFL);
    if (flags < 0 || fcntl(line->master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = SystemMessage("cannot make the pseudo-terminal non-blocking");
        return nullptr;
    }
    return line;
}

PtyLine::~PtyLine() {
    HangUp();
}

int PtyLine::Read(uint8_t* buffer, size_t capacity) {
    if (master_ < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::read(master_, buffer, capacity);
        if (n > 0)
            return static_cast<int>(n);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return 0;
        return -1;
    }
}

void PtyLine::Write(const uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (master_ >= 0 && done < count) {
        const ssize_t n = ::write(master_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return;
        pollfd p{master_, POLLOUT, 0};
        if (poll(&p, 1, kWriteStallMs) <= 0)
            return;
    }
}

uint32_t PtyLine::PeerRate() const {
    return master_ >= 0 ? ReadLineRate(master_) : 0;
}

void PtyLine::HangUp() {
    if (keptSlave_ >= 0)
        ::close(keptSlave_);
    if (master_ >= 0)
        ::close(master_);
    keptSlave_ = -1;
    master_ = -1;
}
