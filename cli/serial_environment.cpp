#include "serial_environment.h"

#include <cstdio>

namespace {

// Blocks of a 64 KiB transfer: each waits for the adapter's latency timer.
constexpr int kBlocksOf64KiB = 65536 / 256;

}  // namespace

std::string LatencyCost(int ms) {
    char cost[96];
    std::snprintf(cost, sizeof cost, "every block waits for it: about %.1f s more for 64 KiB",
                  ms * kBlocksOf64KiB / 1000.0);
    return cost;
}

std::vector<EnvironmentWarning> LatencyWarnings(const std::vector<PortLatencyTimer>& timers) {
    std::vector<EnvironmentWarning> warnings;
    for (const PortLatencyTimer& found : timers) {
        if (found.timer.ms <= kLatencyTimerLimitMs)
            continue;
        warnings.push_back({"latency",
                            "the latency timer of the adapter on " + found.port + " is " +
                                std::to_string(found.timer.ms) + " ms, " +
                                LatencyCost(found.timer.ms),
                            "set it to 1 ms: " + found.timer.howToLower, found.port});
    }
    return warnings;
}

std::string JoinGroupAdvice(const std::string& group) {
    return "add your user to the group '" + group + "' (sudo usermod -aG " + group +
           " $USER) and log in again";
}
