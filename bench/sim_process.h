// printer-sim as a separate process, so that the benchmark's own CPU time is
// the tool's alone.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class SimProcess {
  public:
    SimProcess() = default;
    ~SimProcess();  // stops it
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts `program` with `args` and reads the first line it prints (the
    // pseudo-terminal's path, or HOST:PORT); false with `error` when it did
    // not print one within ten seconds.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string& error);
    // SIGTERM, then waits for it to end (its state files are then complete).
    void Stop();

    const std::string& Address() const { return address_; }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string address_;
};
