// The units in the slots, followed from one scan of the slots to the next:
// when a plugged unit has settled and may be provisioned, when a unit that
// vanished for a moment is the same one re-enumerating, when a unit is gone
// for good, and which slot failed too often. Pure: it sees only the scans
// and the time, so tests script both.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "slot_scan.h"

struct SlotTiming {
    // A new link is used after this: udev, ModemManager and the adapter
    // finish with a new port first.
    std::chrono::milliseconds settle{1000};
    // A link gone for less than this, then back, is the same unit
    // re-enumerating (a hub's brown-out, an adapter's reset), not a new unit.
    std::chrono::milliseconds reenumeration{2000};
};

// A slot fails this many units in a row, and it takes no more.
inline constexpr int kFailuresToFlag = 3;

// Slots that all go missing within this span went at once: a hub that lost
// its power, or its upstream cable, takes every port with it, and udev
// removes their links one by one.
inline constexpr std::chrono::milliseconds kHubDropSpread{1000};

enum class SlotChangeKind {
    Plugged,   // a new unit; it settles first
    Ready,     // settled: its unit may start
    Returned,  // back within the re-enumeration window: the same unit
    Removed,   // gone for good, with no unit running
    Lost,      // gone for good while its unit ran: that unit fails
    Flagged,   // kFailuresToFlag units failed in a row in it
    HubReset,  // every slot went at once with a unit running: one change,
               // no slot named, before the Lost and Removed it explains
};

struct SlotChange {
    SlotChangeKind kind = SlotChangeKind::Plugged;
    std::string slot;
    SlotLink link;
    // Lost or Removed in a hub reset: said once by the HubReset change, and
    // not the slot's failure.
    bool hubReset = false;
    int slots = 0;  // HubReset: how many slots went
};

enum class SlotState {
    Settling,  // plugged, not yet used
    Ready,     // waits for the station to start its unit
    Busy,      // its unit runs
    Done,      // its unit ended; waits for it to be taken out
};

class SlotTracker {
  public:
    using Clock = std::chrono::steady_clock;

    explicit SlotTracker(SlotTiming timing) : timing_(timing) {}

    // What changed since the last scan.
    std::vector<SlotChange> Update(Clock::time_point now, const SlotScan& scan);
    // The slots whose unit may start, in name order; never a flagged one.
    std::vector<std::string> ReadySlots() const;
    // The slots settling now that are there (not missing, not flagged).
    std::vector<std::string> SettlingSlots() const;
    // A settling slot's printer answered: it is ready before its settle
    // time is over. The Ready change, or nothing.
    std::vector<SlotChange> Settled(const std::string& slot);
    // The station started the unit of a Ready slot.
    void UnitStarted(const std::string& slot);
    // The unit of a Busy slot ended: the slot waits for it to be taken out,
    // and is Flagged after its kFailuresToFlag-th failure in a row (a unit
    // lost in a hub reset does not count: the slot did nothing wrong).
    std::vector<SlotChange> UnitEnded(const std::string& slot, bool passed, Clock::time_point now);

    // When the next change falls due without a new link: a unit settled, a
    // gap outlasting the re-enumeration window. Nothing while none is pending.
    std::optional<Clock::time_point> NextDeadline() const;

    std::optional<SlotState> StateOf(const std::string& slot) const;
    std::optional<SlotLink> LinkOf(const std::string& slot) const;
    bool Flagged(const std::string& slot) const { return flagged_.contains(slot); }

  private:
    struct Slot {
        SlotLink link;
        SlotState state = SlotState::Settling;
        Clock::time_point since;  // plugged, or back after a gap
        std::optional<Clock::time_point> missingSince;
        bool lost = false;      // gone for good while Busy
        bool hubReset = false;  // went in a hub reset
    };

    // Whether the slots missing now went together in a hub reset, judged
    // when the first of them is gone for good.
    bool HubWentDown() const;

    SlotTiming timing_;
    std::map<std::string, Slot> slots_;
    // Kept while slots come and go: they belong to the physical place.
    std::map<std::string, int> failuresInARow_;
    std::set<std::string> flagged_;
};
