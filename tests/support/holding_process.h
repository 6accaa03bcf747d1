// A program left holding a serial port, as `cat < /dev/ttyUSB0` does: `cat`
// with the port as its standard input. Ended when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

class HoldingProcess {
  public:
    explicit HoldingProcess(const std::string& port);
    ~HoldingProcess();
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

    // 0 when it could not be started.
    pid_t Pid() const { return pid_; }
    // Waits until the port is open in it; false after `timeoutMs`.
    bool WaitUntilHolding(int timeoutMs) const;

  private:
    std::string port_;
    pid_t pid_ = 0;
};
