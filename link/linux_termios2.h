// termios2 lives in kernel headers that clash with <termios.h>, so it gets a
// file of its own.
#pragma once

#include <cstdint>

// Sets both rates of the device to `rate` after draining output; false with
// `error` (an errno value) when the device refuses.
bool SetTermios2Rate(int fd, uint32_t rate, int& error);
// The device's output rate in bit/s, 0 when it cannot be read.
uint32_t GetTermios2Rate(int fd);
