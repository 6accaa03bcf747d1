#include "bare_loop.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "frame.h"
#include "printer_commands.h"

namespace {

constexpr size_t kReplyBytes = 12;  // a reply without data
constexpr size_t kBlockBytes = 256;

class BareLine {
  public:
    explicit BareLine(const std::string& portName)
        : fd_(::open(portName.c_str(), O_RDWR | O_NOCTTY)) {}
    ~BareLine() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    BareLine(const BareLine&) = delete;
    BareLine& operator=(const BareLine&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // The printer hears only a line set to its own rate. Both rates the
    // benchmark uses have a termios constant.
    bool SetRate(uint32_t rate) {
        termios t{};
        if (tcgetattr(fd_, &t) != 0)
            return false;
        cfmakeraw(&t);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        const speed_t speed = rate == 9600     ? B9600
                              : rate == 115200 ? B115200
                              : rate == 230400 ? B230400
                              : rate == 460800 ? B460800
                                               : B921600;
        cfsetspeed(&t, speed);
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    // One frame out, its reply in; the printer's replies come whole or not
    // at all, and a missing one blocks: the printer is a well-behaved one.
    bool Exchange(uint16_t command, uint32_t parameter, const uint8_t* data, size_t length) {
        const std::vector<uint8_t> frame =
            BuildCommandFrame(command, parameter, data, static_cast<int>(length));
        if (::write(fd_, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return false;
        uint8_t reply[kReplyBytes];
        size_t got = 0;
        while (got < kReplyBytes) {
            const ssize_t n = ::read(fd_, reply + got, kReplyBytes - got);
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        return reply[0] == frame[0];
    }

  private:
    int fd_;
};

void PauseMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

bool RunBareFirmwareUpdate(const std::string& portName, uint32_t lineRate, uint32_t transferRate,
                           const std::vector<uint8_t>& image, std::string& error) {
    BareLine line(portName);
    if (!line.IsOpen() || !line.SetRate(lineRate)) {
        error = "cannot open " + portName;
        return false;
    }
    PauseMs(10);
    if (transferRate != lineRate) {
        if (!line.Exchange(kCommandRate, transferRate, nullptr, 0)) {
            error = "the rate command went unanswered";
            return false;
        }
        line.SetRate(transferRate);
        PauseMs(6);
    }
    if (!line.Exchange(kCommandMode, kModeUpdate, nullptr, 0)) {
        error = "the update-mode command went unanswered";
        return false;
    }
    PauseMs(30);
    for (size_t offset = 0; offset < image.size(); offset += kBlockBytes) {
        if (!line.Exchange(kCommandFirmwareBlock, static_cast<uint32_t>(offset),
                           image.data() + offset, kBlockBytes)) {
            error = "block " + std::to_string(offset / kBlockBytes) + " went unanswered";
            return false;
        }
    }
    if (!line.Exchange(kCommandMode, kModeEndUpdate, nullptr, 0)) {
        error = "the closing command went unanswered";
        return false;
    }
    return true;
}
