// The logic's side of the worker: hands the worker what a job needs, and
// passes the worker's reports, made on its own thread, to the face's thread,
// where they reach the logic.
#pragma once

#include <mutex>

#include "comm_observer.h"

class WindowLogic;
class WindowView;

class JobObserver : public CommObserver {
  public:
    JobObserver(WindowView& view, WindowLogic& logic) : view_(view), logic_(logic) {}

    // Set on the face's thread before a job starts.
    void SetEnvironment(const JobEnvironment& environment);

    // Called on the worker thread.
    JobEnvironment CurrentEnvironment() override;
    void JobProgress(int32_t done, int32_t total) override;
    void StatusText(const std::string& text) override;
    void JobFinished() override;

  private:
    WindowView& view_;
    WindowLogic& logic_;
    std::mutex mutex_;
    JobEnvironment environment_;
};
