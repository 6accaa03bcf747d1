// What the station tells its face, one event at a time: a face prints each
// as a line or a JSON object, or redraws a slot's line from them. Events
// come from the station's threads; the station hands over one at a time.
#pragma once

#include <cstdint>
#include <string>

enum class StationEventKind {
    Station,   // the station itself: started, stopping, range used up
    Warning,   // something to see to: few serials left, a slot flagged
    Slot,      // a slot: plugged, settled, re-enumerated, removed
    Unit,      // a unit started, or was found at a rate
    Step,      // a unit's step began
    Progress,  // bytes of a step's transfer done (frequent: a screen's, not a log's)
    Serial,    // a serial number was allocated to a unit
    Result,    // a unit passed or failed
};

// The kind's word in JSON ("station", "warning", "slot", ...).
const char* StationEventWord(StationEventKind kind);

struct StationEvent {
    StationEventKind kind = StationEventKind::Station;
    std::string slot;     // empty for the station's own events
    std::string message;  // the event in words, without the slot
    int64_t unit = 0;     // the ledger's unit id; 0 when none
    std::string port;     // the device the unit is on
    std::string step;     // Step, Progress, Result (the failing step)
    std::string result;   // Result: "pass" or "fail"
    std::string serial;   // Serial, Result
    std::string reason;   // Result: why it failed
    std::string log;      // Result: the unit's debug log
    int32_t rate = 0;     // Unit (found): the rate it answered at
    int64_t done = 0;     // Progress
    int64_t total = 0;
    double seconds = 0;     // Result: how long the unit took
    bool flagged = false;   // Warning, Slot: the slot takes no more units
    bool hubReset = false;  // Warning: every slot went at once; Result: its unit went with them
    int64_t left = -1;      // Station (start), Serial: serials left in the range; -1 unknown
};

class StationSink {
  public:
    virtual ~StationSink() = default;
    virtual void Event(const StationEvent& event) = 0;
};
