// An event that releases one wait and then resets itself.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class AutoResetEvent {
  public:
    void Set() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_one();
    }

    // True when the event was (or became) signalled within `timeoutMs`; the
    // signal is consumed. A timeout of 0 only tests it.
    bool Wait(int timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [this] { return signalled_; })) {
            return false;
        }
        signalled_ = false;
        return true;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};
