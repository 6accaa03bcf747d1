// How the command line shows a transfer's progress: a bar that redraws in
// place on a terminal, fitted to its width, and a plain line every 10%
// elsewhere (logs, pipes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// "[#########.........]  45%  1152/2560 bytes  1.9 kB/s  0:01 left"
std::string ProgressBarLine(int64_t done, int64_t total, double elapsedSeconds, int width = 30);

// The bar line for a terminal `columns` wide: it takes at most columns - 1
// (a line that reaches the last column wraps on some terminals, and an
// in-place redraw then misses it). The bar grows with the room; when room
// is short the time left goes first, then the rate, the byte counts and the
// bar itself, so the percentage stays to the last.
std::string FittedProgressLine(int64_t done, int64_t total, double elapsedSeconds, int columns);

// "45% (1152 of 2560 bytes)"
std::string ProgressPlainLine(int64_t done, int64_t total);

// The tenth (0..10) that `done` has reached; plain output prints a line each
// time it grows.
int ProgressDecile(int64_t done, int64_t total);

// The columns a UTF-8 text takes on a terminal, one per character (port
// names and messages are not expected to hold double-width characters).
size_t TextColumns(const std::string& text);

// `text` cut to at most `columns` columns, ending in "..." when cut; never
// inside a UTF-8 sequence.
std::string CutToColumns(const std::string& text, size_t columns);
