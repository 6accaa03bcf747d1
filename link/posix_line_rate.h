// Line rates on POSIX: every standard rate through termios, and on Linux any
// other positive rate through termios2.
#pragma once

#include <termios.h>

#include <cstdint>
#include <string>

// Writes `tio` with `rate` to the device once its output has drained, then
// checks that the device reports that rate. On failure `error` says why.
bool SetLineRate(int fd, termios& tio, uint32_t rate, std::string& error);

// The output rate that the device reports, in bit/s; 0 when unknown. On a
// pseudo-terminal's master this is the rate set on its slave side.
uint32_t ReadLineRate(int fd);
