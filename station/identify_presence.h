// Units on ports that stay plugged in (a bench whose adapters stay and whose
// printers are swapped on the serial side, or ports named with --port): a
// unit is present while it answers an identify poll, sent every second, and
// gone after 3 s of silence. Each poll tries one rate: the one the port
// answered at last, or the next of the station's rates after silence, so a
// printer left at another rate is found within a few polls.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "slot_scan.h"

inline constexpr std::chrono::milliseconds kIdentifyPollEvery{1000};
inline constexpr std::chrono::milliseconds kIdentifySilenceGone{3000};

class IdentifyPresence {
  public:
    using Clock = std::chrono::steady_clock;

    // `ports` name the slots; `rates` in the order to try them.
    IdentifyPresence(const std::vector<std::string>& ports, std::vector<int32_t> rates,
                     const std::filesystem::path& logFolder);
    ~IdentifyPresence();

    // Starts the polls that are due, except on `busy` ports (a unit runs
    // there, so it is present), and says which ports hold a unit now.
    SlotScan Poll(Clock::time_point now, const std::set<std::string>& busy);
    // Whether a poll runs on the port (a unit must not start then).
    bool Polling(const std::string& port) const;

  private:
    struct Port;
    std::vector<int32_t> rates_;
    std::vector<std::unique_ptr<Port>> ports_;
};
