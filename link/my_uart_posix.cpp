// TMyUart over POSIX termios (Linux, macOS).
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "my_uart.h"
#include "posix_line_rate.h"

#if defined(__linux__)
#include <linux/serial.h>
#endif

struct TMyUart::Handle {
    int fd = -1;
};

namespace {

using Clock = std::chrono::steady_clock;

std::string SystemMessage(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// Whole milliseconds until `deadline`, rounded up so a wait never ends early.
int MsLeft(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

tcflag_t DataBitsFlag(uint8_t dataBits) {
    switch (dataBits) {
        case 0:
            return CS5;
        case 1:
            return CS6;
        case 2:
            return CS7;
        default:
            return CS8;
    }
}

// Writes the line settings into a termios, keeping nothing of what the
// device reported but the rate fields, which the caller sets afterwards.
void BuildTermios(const UartLineSettings& s, termios& tio) {
    cfmakeraw(&tio);
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL | DataBitsFlag(s.dataBits);
    if (s.parity == 1 || s.parity == 2) {
        tio.c_cflag |= PARENB;
        if (s.parity == 1)
            tio.c_cflag |= PARODD;
        tio.c_iflag |= s.parityCheck ? INPCK : 0;
    }
    if (s.stopBits != 0)
        tio.c_cflag |= CSTOPB;
    if (s.ctsOutputFlow || s.rtsControl == UartLineSettings::RtsHandshake)
        tio.c_cflag |= CRTSCTS;
    if (s.xonXoffOutput)
        tio.c_iflag |= IXON;
    if (s.xonXoffInput)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = s.xonChar;
    tio.c_cc[VSTOP] = s.xoffChar;
    // Reads never block in the driver: Read() waits with poll().
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

// Raises DTR and RTS as the settings ask. Pseudo-terminals and some adapters
// have no modem lines; that is not a failure.
bool RaiseModemLines(int fd, const UartLineSettings& s, std::string& error) {
    int set = 0;
    int clear = 0;
    (s.dtrControl == UartLineSettings::DtrEnable ? set : clear) |= TIOCM_DTR;
    (s.rtsControl == UartLineSettings::RtsEnable ? set : clear) |= TIOCM_RTS;
    if (set != 0 && ioctl(fd, TIOCMBIS, &set) != 0 && errno != ENOTTY && errno != EINVAL) {
        error = SystemMessage("cannot raise DTR/RTS", errno);
        return false;
    }
    if (clear != 0 && ioctl(fd, TIOCMBIC, &clear) != 0 && errno != ENOTTY && errno != EINVAL) {
        error = SystemMessage("cannot lower DTR/RTS", errno);
        return false;
    }
    return true;
}

// Asks the driver to hand over received bytes at once (best effort): common
// USB adapters otherwise hold them for up to 16 ms.
void RequestLowLatency(int fd) {
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        (void)ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    (void)fd;
#endif
}

}  // namespace

TMyUart::TMyUart() : handle_(std::make_unique<Handle>()) {}

TMyUart::~TMyUart() {
    CloseHandleOnly();
}

namespace {

// Plain words for why a device did not open, with what to do about it.
std::string OpenFailureMessage(const std::string& path, int error) {
    switch (error) {
        case EBUSY:
            // Another program holds it exclusively (TIOCEXCL); root would
            // get past that, and then meet the lock below.
            return path + " is in use by another program";
        case EACCES:
            return "cannot open " + path +
                   ": permission denied; on Debian and Ubuntu, add your user to the 'dialout' "
                   "group (sudo adduser $USER dialout) and log in again";
        default:
            return SystemMessage(("cannot open " + path).c_str(), error);
    }
}

}  // namespace

bool TMyUart::IsOpen() const {
    return handle_->fd >= 0;
}

std::string TMyUart::DevicePath(const std::string& name) {
    if (name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
        name.find_first_not_of("0123456789", 3) == std::string::npos && name[3] != '0' &&
        name.size() <= 12) {
        const unsigned long n = std::stoul(name.substr(3));
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

bool TMyUart::Open(const std::string& name, uint32_t rate) {
    name_ = name;
    const std::string path = DevicePath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = OpenFailureMessage(path, errno);
        return false;
    }
    auto fail = [&](std::string why) {
        ::close(fd);
        handle_->fd = -1;
        lastError_ = std::move(why);
        return false;
    };
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return fail(SystemMessage(("cannot inspect " + path).c_str(), errno));
    if (!S_ISCHR(st.st_mode))
        return fail(path + " is not a serial device");
    termios probe{};
    if (tcgetattr(fd, &probe) != 0)
        return fail(path + " is not a serial device");
    // flock keeps out other processes that play by the same rule; TIOCEXCL
    // keeps out every later open() of the device (root excepted).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(errno == EWOULDBLOCK ? path + " is in use by another program"
                                         : SystemMessage(("cannot lock " + path).c_str(), errno));
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        return fail(errno == EBUSY ? path + " is in use by another program"
                                   : SystemMessage(("cannot lock " + path).c_str(), errno));
    }
    handle_->fd = fd;
    ApplyTimeouts();
    rate_ = rate;
    if (!ApplyLineSettings()) {
        std::string why = lastError_;
        ioctl(fd, TIOCNXCL);
        return fail(why);
    }
    std::string modemError;
    if (!RaiseModemLines(fd, settings_, modemError)) {
        ioctl(fd, TIOCNXCL);
        return fail(modemError);
    }
    RequestLowLatency(fd);
    // Whatever waited in the queues belongs to nobody: drop it last, after
    // every setting that could have let bytes in.
    tcflush(fd, TCIOFLUSH);
    lastError_.clear();
    return true;
}

void TMyUart::CloseHandleOnly() {
    if (handle_->fd >= 0) {
        ioctl(handle_->fd, TIOCNXCL);
        ::close(handle_->fd);  // also releases the flock
        handle_->fd = -1;
    }
}

bool TMyUart::ApplyLineSettings() {
    const int fd = handle_->fd;
    if (fd < 0)
        return false;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        lastError_ = SystemMessage("cannot read the line settings", errno);
        return false;
    }
    BuildTermios(settings_, tio);
    if (!SetLineRate(fd, tio, rate_, lastError_))
        return false;
    return true;
}

bool TMyUart::ApplyTimeouts() {
    // poll() takes each read's timeouts directly; there is nothing to program.
    return handle_->fd >= 0;
}

int TMyUart::Read(uint8_t* buffer, int count, int& got, int timeoutMs) {
    got = 0;
    if (timeoutMs < 0)
        timeoutMs = 0;
    SetReadTimeout(static_cast<uint32_t>(timeoutMs));
    const int fd = handle_->fd;
    if (fd < 0) {
        lastError_ = "no port is open";
        return -1;
    }
    if (count <= 0)
        return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Clock::time_point gapDeadline{};
    while (got < count) {
        int wait = MsLeft(deadline);
        if (got > 0)
            wait = std::min(wait, MsLeft(gapDeadline));
        if (wait <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;  // the wait is recomputed from the deadlines
            lastError_ = SystemMessage("waiting for the line failed", errno);
            return -1;
        }
        if (ready == 0)
            continue;  // a deadline passed; the loop sees it
        if ((p.revents & POLLIN) == 0) {
            lastError_ = (p.revents & POLLHUP) ? "the line hung up" : "the line reported an error";
            return -1;
        }
        const ssize_t n = ::read(fd, buffer + got, static_cast<size_t>(count - got));
        if (n > 0) {
            got += static_cast<int>(n);
            gapDeadline = Clock::now() + std::chrono::milliseconds(kInterByteTimeoutMs + 1);
        } else if (n == 0) {
            lastError_ = "the line hung up";
            return -1;
        } else if (errno != EAGAIN && errno != EINTR) {
            lastError_ = errno == EIO ? "the line hung up" : SystemMessage("read failed", errno);
            return -1;
        }
    }
    return got;
}

bool TMyUart::Write(const uint8_t* buffer, int count) {
    const int fd = handle_->fd;
    if (fd < 0) {
        lastError_ = "no port is open";
        return false;
    }
    // A write may be taken in parts; allow the bytes their line time and a
    // second more before giving up on a stalled line.
    const int lineMs =
        rate_ > 0 ? static_cast<int>(static_cast<uint64_t>(count) * 10000 / rate_) : 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(lineMs + 1000);
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd, buffer + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            lastError_ = SystemMessage("write failed", errno);
            return false;
        }
        const int wait = MsLeft(deadline);
        if (wait <= 0) {
            lastError_ = "write timed out";
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, wait) < 0 && errno != EINTR) {
            lastError_ = SystemMessage("waiting for the line failed", errno);
            return false;
        }
        if (p.revents & (POLLHUP | POLLERR)) {
            lastError_ = "the line hung up";
            return false;
        }
    }
    return true;
}
