#include "posix_line_rate.h"

#include <cerrno>
#include <cstring>

#if defined(__linux__)
#include "linux_termios2.h"
#endif

namespace {

struct RateCode {
    uint32_t rate;
    speed_t code;
};

constexpr RateCode kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},   {576000, B576000},   {921600, B921600},   {1000000, B1000000},
    {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
    {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
};

bool FindCode(uint32_t rate, speed_t& code) {
    for (const RateCode& r : kStandardRates) {
        if (r.rate == rate) {
            code = r.code;
            return true;
        }
    }
    return false;
}

}  // namespace

bool SetLineRate(int fd, termios& tio, uint32_t rate, std::string& error) {
    if (rate == 0) {
        error = "a line rate of 0 bit/s is not possible";
        return false;
    }
    speed_t code{};
    if (FindCode(rate, code)) {
        cfsetispeed(&tio, code);
        cfsetospeed(&tio, code);
        if (tcsetattr(fd, TCSADRAIN, &tio) != 0) {
            error = std::string("the device refused the line settings: ") + std::strerror(errno);
            return false;
        }
    } else {
#if defined(__linux__)
        // Standard settings first, then the custom rate on top of them.
        if (tcsetattr(fd, TCSADRAIN, &tio) != 0) {
            error = std::string("the device refused the line settings: ") + std::strerror(errno);
            return false;
        }
        int err = 0;
        if (!SetTermios2Rate(fd, rate, err)) {
            error = "the device refused " + std::to_string(rate) + " bit/s: " + std::strerror(err);
            return false;
        }
#else
        error = std::to_string(rate) + " bit/s is not a standard rate on this system";
        return false;
#endif
    }
    const uint32_t actual = ReadLineRate(fd);
    if (actual != rate) {
        error = "the device did not take " + std::to_string(rate) + " bit/s (it reports " +
                std::to_string(actual) + ")";
        return false;
    }
    return true;
}

uint32_t ReadLineRate(int fd) {
#if defined(__linux__)
    return GetTermios2Rate(fd);
#else
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return 0;
    const speed_t code = cfgetospeed(&tio);
    for (const RateCode& r : kStandardRates) {
        if (r.code == code)
            return r.rate;
    }
    return 0;
#endif
}
