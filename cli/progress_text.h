// How the command line shows a transfer's progress: a bar that redraws in
// place on a terminal, and a plain line every 10% elsewhere (logs, pipes).
#pragma once

#include <cstdint>
#include <string>

// "[#########.........]  45%  1152/2560 bytes  1.9 kB/s  0:01 left"
std::string ProgressBarLine(int64_t done, int64_t total, double elapsedSeconds, int width = 30);

// "45% (1152 of 2560 bytes)"
std::string ProgressPlainLine(int64_t done, int64_t total);

// The tenth (0..10) that `done` has reached; plain output prints a line each
// time it grows.
int ProgressDecile(int64_t done, int64_t total);
