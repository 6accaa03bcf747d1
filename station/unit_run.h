// One unit, from the moment its slot is ready to its record: found at the
// recipe's rate (then at every rate -b auto tries), each step of the plan
// run as the worker's job, a serial allocated just before the factory write,
// identified again at the end, and the ledger kept in step throughout. It
// runs on a thread of its own with a worker of its own, so slots run side
// by side.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "comm_thread.h"
#include "ledger.h"
#include "recipe_plan.h"
#include "station_events.h"
#include "step_preparer.h"
#include "usb_identity.h"

struct UnitSetup {
    std::string slot;
    std::filesystem::path port;    // what the jobs open: the slot's link or a port name
    std::filesystem::path device;  // where it leads, for the record
    UsbIdentity usb;
    std::filesystem::path logFolder;
    // Between steps, a port that is gone is waited for this long: an
    // adapter re-enumerating comes back.
    std::chrono::milliseconds reenumeration{2000};
};

enum class UnitStop { None, Interrupted, Unplugged, HubReset };

struct UnitOutcome {
    bool passed = false;
    bool rangeUsedUp = false;   // no serial was left for it
    std::string ledgerFailure;  // the ledger refused a write: the station must end
};

class UnitRun {
  public:
    using Emit = std::function<void(const StationEvent&)>;

    // `ended` is called on the unit's thread when it is done.
    UnitRun(const StationPlan& plan, Ledger& ledger, StepPreparer& preparer, Emit emit,
            UnitSetup setup, std::function<void()> ended);
    ~UnitRun();  // waits for the thread
    UnitRun(const UnitRun&) = delete;
    UnitRun& operator=(const UnitRun&) = delete;

    void Start();
    // The unit stops at its next safe step: before a step, or after the
    // block in flight of a transfer. Once its serial is allocated it goes on
    // to its end, which is a frame or two away.
    void RequestStop(UnitStop why);
    bool Ended() const { return ended_.load(); }
    // Read once Ended().
    const UnitOutcome& Outcome() const { return outcome_; }
    const std::string& Slot() const { return setup_.slot; }

  private:
    class Observer;

    void Run();
    void RunSteps();
    bool Factory();
    // One job on the worker; false with the unit ended as failed.
    bool Job(StepKind step, uint8_t jobCode);
    bool WaitForPort();
    // After a failed job with the port gone: the station's word on it (an
    // unplug, a hub reset) comes once the re-enumeration window has passed.
    void AwaitVerdict();
    bool PortPresent() const;
    // Why the unit was asked to stop: "stopped", "unplugged", "hub reset".
    std::string StopWords() const;
    void AppendJobLog();
    void Finish(bool passed, StepKind step, const std::string& reason, int exitCode);
    StationEvent EventOf(StationEventKind kind, const std::string& message) const;

    const StationPlan& plan_;
    Ledger& ledger_;
    StepPreparer& preparer_;
    Emit emit_;
    UnitSetup setup_;
    std::function<void()> onEnded_;
    std::chrono::steady_clock::time_point started_;

    int64_t unit_ = 0;
    std::filesystem::path log_;
    int32_t rate_ = 0;      // the rate the printer answered at last
    std::string identity_;  // its last answer to identify
    std::string serial_;    // allocated to it
    std::string failure_;   // the last job's reason
    int failureCode_ = 0;   // and its code
    StepKind current_ = StepKind::Find;

    std::atomic<int> stop_{static_cast<int>(UnitStop::None)};
    std::mutex waitMutex_;
    std::condition_variable stopped_;
    std::atomic<bool> ended_{false};
    UnitOutcome outcome_;

    std::unique_ptr<Observer> observer_;
    std::unique_ptr<TCommThread> worker_;
    std::thread thread_;
};
