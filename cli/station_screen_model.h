// What the operator's screen shows, built from the station's events: the
// recipe and the counts above, then one line per slot that says what it
// holds (waiting, the step and its %, PASS with the serial, FAIL with the
// reason, flagged). Pure: it sees only the events, the time and the width,
// so tests lay it out at any width without a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "station_events.h"

struct StationScreenTitle {
    std::string recipe;
    std::string order;
    std::string operatorName;
};

// Units per hour are counted over the last quarter hour, or since the first
// unit started when the station has run for less.
inline constexpr std::chrono::minutes kUnitRateSpan{15};
// and not before the station has run a minute since its first unit.
inline constexpr std::chrono::minutes kUnitRateAfter{1};

class StationScreenModel {
  public:
    using Clock = std::chrono::steady_clock;

    explicit StationScreenModel(StationScreenTitle title) : title_(std::move(title)) {}

    // Takes one event. The station's own words (its start, warnings, a hub
    // reset) come back as a line for above the slots, which scrolls.
    std::optional<std::string> Apply(const StationEvent& event, Clock::time_point now);

    // The title, the counts and the slots, each line short of `columns`
    // (a line that reaches the last column wraps, and a redraw in place then
    // misses it). With `colour`, PASS is green and FAIL red; the words stay.
    std::vector<std::string> Render(int columns, Clock::time_point now, bool colour) const;

    int Passed() const { return passed_; }
    int Failed() const { return failed_; }
    // Units ended per hour, rolling; nothing before a unit has ended and
    // kUnitRateAfter has passed.
    std::optional<double> UnitsPerHour(Clock::time_point now) const;

  private:
    enum class SlotShows { Waiting, Plugged, Busy, Pass, Fail, HubReset, Flagged };
    struct SlotLine {
        SlotShows shows = SlotShows::Waiting;
        int64_t unit = 0;
        std::string step;
        int64_t done = 0;
        int64_t total = 0;
        std::string serial;
        std::string reason;
    };

    std::vector<std::string> TitleLines(int room, Clock::time_point now) const;
    std::string SlotText(const SlotLine& slot, size_t room) const;
    // How many leading bytes every slot's name shares, up to a separator.
    size_t CommonStart() const;

    StationScreenTitle title_;
    std::map<std::string, SlotLine> slots_;  // in name order, kept once seen
    int passed_ = 0;
    int failed_ = 0;
    int64_t serialsLeft_ = -1;
    std::optional<Clock::time_point> firstUnit_;
    std::deque<Clock::time_point> ends_;  // within kUnitRateSpan
};
