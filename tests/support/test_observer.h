// A front end for worker tests: a fixed job environment, and a record of
// every report the worker made, readable from the test thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "comm_observer.h"

class TestObserver : public CommObserver {
  public:
    JobEnvironment environment;

    JobEnvironment CurrentEnvironment() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return environment;
    }
    void JobProgress(int32_t done, int32_t total) override {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_.emplace_back(done, total);
    }
    void StatusText(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        status_.push_back(text);
    }
    void JobFinished() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++finished_;
        }
        changed_.notify_all();
    }

    std::vector<std::pair<int32_t, int32_t>> Progress() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return progress_;
    }
    std::vector<std::string> Status() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return status_;
    }
    int Finished() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return finished_;
    }
    // The end report follows the done event; wait for the n-th one.
    bool WaitFinished(int count, int timeoutMs) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return finished_ >= count; });
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::pair<int32_t, int32_t>> progress_;
    std::vector<std::string> status_;
    int finished_ = 0;
};
