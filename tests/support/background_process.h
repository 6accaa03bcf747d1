// A program running beside a test: `cat` left holding a serial port (its
// standard input the port, as `cat < /dev/ttyUSB0`), or printer-sim as a
// program of its own. Ended when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class BackgroundProcess {
  public:
    // `input` and `output`, when given, become its standard input and output.
    explicit BackgroundProcess(const std::vector<std::string>& argv, const std::string& input = {},
                               const std::string& output = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // 0 when it could not be started.
    pid_t Pid() const { return pid_; }
    // Waits until its standard input is the device at `path`; false after
    // `timeoutMs`.
    bool WaitUntilReading(const std::string& path, int timeoutMs) const;

  private:
    pid_t pid_ = 0;
};

// The first line of the file at `path` once one has been written; empty
// after `timeoutMs`.
std::string WaitForFirstLine(const std::string& path, int timeoutMs);
