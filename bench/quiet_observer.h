// A front end that asks nothing and shows nothing: the benchmarks measure the
// worker alone.
#pragma once

#include "comm_observer.h"

class QuietObserver : public CommObserver {
  public:
    JobEnvironment environment;
    JobEnvironment CurrentEnvironment() override { return environment; }
    void JobProgress(int32_t, int32_t) override {}
    void StatusText(const std::string&) override {}
    void JobFinished() override {}
};
