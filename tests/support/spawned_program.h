// A program running beside a test: its standard output read line by line
// against deadlines, signals sent to it, its exit awaited. Its standard
// error goes where the test's goes. Killed if still running at the end.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class SpawnedProgram {
  public:
    using Clock = std::chrono::steady_clock;

    explicit SpawnedProgram(const std::vector<std::string>& argv);
    ~SpawnedProgram();
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // The next line of its output; nothing when the deadline passed or the
    // output ended first.
    std::optional<std::string> ReadLine(Clock::time_point deadline);
    // Reads lines until one satisfies `wanted`; that line, or nothing.
    std::optional<std::string> ReadLineUntil(const std::function<bool(const std::string&)>& wanted,
                                             Clock::time_point deadline);
    void Signal(int signal);
    // Its exit status (128 + N when signal N ended it); nothing when it
    // still runs at the deadline.
    std::optional<int> Wait(Clock::time_point deadline);

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;
    bool ended_ = false;
};
