// Ctrl-C for printer-cli, and what else asks a job to stop: SIGTERM and
// SIGHUP on POSIX, Ctrl-Break and closing the console on Windows. The system
// calls live in interrupts_posix.cpp and interrupts_win32.cpp.
#pragma once

// From now on, an interrupt calls `handler` instead of ending the program.
// The handler runs in a signal handler (POSIX) or on a thread of the
// system's (Windows): it may only touch atomics and end the process.
void CatchInterrupts(void (*handler)());

// From now on, output to a pipe whose reader has gone is dropped instead of
// ending the program.
void IgnoreBrokenPipes();
