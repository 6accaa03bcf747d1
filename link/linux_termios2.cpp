#include "linux_termios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

bool SetTermios2Rate(int fd, uint32_t rate, int& error) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        error = errno;
        return false;
    }
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    if (ioctl(fd, TCSETSW2, &tio) != 0) {
        error = errno;
        return false;
    }
    return true;
}

uint32_t GetTermios2Rate(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return 0;
    return tio.c_ospeed;
}
