// What the status bar shows of a running transfer besides "Finished: ...":
// a bar, and the time left once a few blocks have gone and their rate can
// be trusted.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

struct TransferProgressState {
    int permille = 0;      // 0..1000
    std::string timeLeft;  // "12 s left"; empty until it can be told
};

class TransferProgressClock {
  public:
    using Clock = std::chrono::steady_clock;

    // A new transfer starts: what was measured before says nothing.
    void Start();
    // A report of `done` of `total` bytes at `now`.
    TransferProgressState Report(int32_t done, int32_t total, Clock::time_point now);

  private:
    std::optional<Clock::time_point> firstAt_;
    int32_t firstDone_ = 0;
    int reports_ = 0;
};

// "40 s left", "3 min left": rounded up, never "0 s"; short, for the
// status bar.
std::string TimeLeftText(double seconds);
