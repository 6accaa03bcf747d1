#include "transfer_progress.h"

#include <algorithm>
#include <cmath>

namespace {

// The rate is measured from the first report on, so the time it took to
// open the line and change its rate does not count; it is trusted once
// this many reports and this much time have come in.
constexpr int kReportsBeforeEstimate = 4;
constexpr double kSecondsBeforeEstimate = 0.5;

}  // namespace

void TransferProgressClock::Start() {
    firstAt_.reset();
    firstDone_ = 0;
    reports_ = 0;
}

TransferProgressState TransferProgressClock::Report(int32_t done, int32_t total,
                                                    Clock::time_point now) {
    TransferProgressState state;
    if (total <= 0)
        return state;
    state.permille = static_cast<int>(std::clamp<int64_t>(int64_t{done} * 1000 / total, 0, 1000));
    if (!firstAt_ || done < firstDone_) {
        firstAt_ = now;
        firstDone_ = done;
        reports_ = 1;
        return state;
    }
    ++reports_;
    const double seconds = std::chrono::duration<double>(now - *firstAt_).count();
    const double bytes = done - firstDone_;
    if (reports_ < kReportsBeforeEstimate || seconds < kSecondsBeforeEstimate || bytes <= 0 ||
        done >= total)
        return state;
    state.timeLeft = TimeLeftText((total - done) / (bytes / seconds));
    return state;
}

std::string TimeLeftText(double seconds) {
    const auto whole = static_cast<int64_t>(std::max(1.0, std::ceil(seconds)));
    if (whole < 100)
        return std::to_string(whole) + " s left";
    return std::to_string((whole + 59) / 60) + " min left";
}
