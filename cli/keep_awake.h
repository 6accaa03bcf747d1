// Keeps the machine from sleeping while it lives: a station left running
// over night must not stop its units half way. Linux asks logind through
// systemd-inhibit, which holds the lock for as long as a child of its runs;
// Windows marks the thread with SetThreadExecutionState.
// keep_awake_posix.cpp and keep_awake_win32.cpp.
#pragma once

#include <string>

class KeepAwake {
  public:
    explicit KeepAwake(const std::string& why);
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

    // Why the machine may sleep after all; empty while it is kept awake.
    const std::string& Problem() const { return problem_; }

  private:
    std::string problem_;
    int child_ = -1;  // systemd-inhibit's process
    int hold_ = -1;   // its child's standard input: closing it ends the lock
};
