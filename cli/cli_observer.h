// The command line's side of the worker: the job's environment from the
// parsed request, and progress on stderr (a bar on a terminal, a line every
// 10% elsewhere) or as JSON Lines on stdout.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "cli_request.h"
#include "comm_observer.h"

// The job's environment: the request's port, rate, UDP peer and debug log
// (`exeFolder` holds "debug.log" when the request names no log).
JobEnvironment EnvironmentOf(const CliRequest& request, std::filesystem::path exeFolder);

class CliObserver : public CommObserver {
  public:
    CliObserver(const CliRequest& request, std::filesystem::path exeFolder);

    JobEnvironment CurrentEnvironment() override { return environment_; }
    void JobProgress(int32_t done, int32_t total) override;
    void StatusText(const std::string& text) override;
    void JobFinished() override;

  private:
    JobEnvironment environment_;
    bool json_;
    bool quiet_;
    bool terminal_;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point started_;
    int lastDecile_ = -1;
    bool barShown_ = false;
    size_t barColumns_ = 0;  // how wide the bar line drawn last is
};
