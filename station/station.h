// The production station: watches the slots, runs a unit in each slot that
// holds a new one, keeps the ledger, and tells its face every event. Runs on
// the caller's thread until told to stop; each unit runs on its own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "identify_presence.h"
#include "ledger.h"
#include "recipe_plan.h"
#include "settle_probe.h"
#include "slot_tracker.h"
#include "slot_watch.h"
#include "station_events.h"
#include "step_preparer.h"
#include "unit_run.h"

// How the station learns that a unit is there.
enum class Presence {
    Links,     // a slot of the system's (system_slots.h): a link in the slots folder, a COM port
    Identify,  // a port that answers identify polls
};

inline constexpr std::chrono::milliseconds kSlotScanEvery{500};

struct StationSettings {
    StationIdentity identity;  // its recipe digest comes from the plan
    std::filesystem::path ledger;
    Presence presence = Presence::Links;
    std::filesystem::path slotsFolder;  // where slots are links (Linux)
    std::vector<std::string> ports;     // Presence::Identify
    SlotTiming timing;
};

enum class StationEnd {
    Stopped,       // asked to stop
    RangeUsedUp,   // no serial left to give
    LedgerFailed,  // the ledger refused a write
};

class Station {
  public:
    Station(StationPlan plan, StationSettings settings, StepPreparer& preparer, StationSink& sink);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Opens the ledger (its lock, the turning of an earlier run's open rows),
    // registers the recipe's range and lays out the files the downloads
    // send. Throws LedgerError.
    void Open();
    // Runs until `stop` turns true (then every running unit stops at its next
    // safe step first), or until the range is used up and the last unit has
    // ended.
    StationEnd Run(const std::atomic<bool>& stop);

    const std::filesystem::path& LogFolder() const { return logFolder_; }

  private:
    void Emit(const StationEvent& event);
    void EmitStation(StationEventKind kind, const std::string& message);
    void Scan(SlotTracker::Clock::time_point now);
    void Handle(const SlotChange& change);
    void ReapUnits(SlotTracker::Clock::time_point now);
    void StartUnits();
    // Settling slots whose printer answers are ready at once.
    void ProbeSettling();
    void Wake();
    void WriteDownloadFiles();
    // Says once that 5% or less of the range is left.
    void WarnIfFewLeft(int64_t left);

    StationPlan plan_;
    StationSettings settings_;
    StepPreparer& preparer_;
    StationSink& sink_;
    std::mutex sinkMutex_;
    std::unique_ptr<Ledger> ledger_;
    std::filesystem::path logFolder_;
    std::filesystem::path downloadFolder_;
    SlotTracker tracker_;
    std::unique_ptr<IdentifyPresence> identify_;
    std::unique_ptr<SettleProbes> probes_;
    std::unique_ptr<SlotWatch> watch_;
    std::atomic<bool> slotsChanged_{false};
    std::vector<std::unique_ptr<UnitRun>> units_;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool unitEnded_ = false;

    bool stopping_ = false;
    bool usedUp_ = false;
    bool ledgerFailed_ = false;
    std::atomic<bool> warnedFewLeft_{false};
};
