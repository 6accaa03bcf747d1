#include "station.h"

#include <fstream>

#include "path_text.h"
#include "system_slots.h"
#include "usb_identity.h"

namespace {

namespace fs = std::filesystem;

// Identify polls say for themselves when a unit is there and gone.
constexpr SlotTiming kIdentifyTiming{std::chrono::milliseconds(0), std::chrono::milliseconds(0)};

// "ledger.sqlite" keeps its units' debug logs in "ledger-logs".
fs::path LogFolderOf(const fs::path& ledger) {
    fs::path folder = ledger;
    folder.replace_extension();
    folder += "-logs";
    return folder;
}

}  // namespace

const char* StationEventWord(StationEventKind kind) {
    switch (kind) {
        case StationEventKind::Station:
            return "station";
        case StationEventKind::Warning:
            return "warning";
        case StationEventKind::Slot:
            return "slot";
        case StationEventKind::Unit:
            return "unit";
        case StationEventKind::Step:
            return "step";
        case StationEventKind::Progress:
            return "progress";
        case StationEventKind::Serial:
            return "serial";
        case StationEventKind::Result:
            return "result";
    }
    return "";
}

Station::Station(StationPlan plan, StationSettings settings, StepPreparer& preparer,
                 StationSink& sink)
    : plan_(std::move(plan)),
      settings_(std::move(settings)),
      preparer_(preparer),
      sink_(sink),
      tracker_(settings_.presence == Presence::Identify ? kIdentifyTiming : settings_.timing) {
    settings_.identity.recipeSha256 = plan_.recipeSha256;
}

Station::~Station() {
    units_.clear();  // each waits for its thread
    watch_.reset();
    identify_.reset();
    probes_.reset();
    if (!downloadFolder_.empty()) {
        std::error_code ec;
        fs::remove_all(downloadFolder_, ec);
    }
}

void Station::Emit(const StationEvent& event) {
    std::lock_guard<std::mutex> lock(sinkMutex_);
    sink_.Event(event);
}

void Station::EmitStation(StationEventKind kind, const std::string& message) {
    StationEvent event;
    event.kind = kind;
    event.message = message;
    Emit(event);
}

void Station::Open() {
    ledger_ = std::make_unique<Ledger>(settings_.ledger, settings_.identity);
    logFolder_ = LogFolderOf(fs::absolute(settings_.ledger));
    std::error_code ec;
    fs::create_directories(logFolder_, ec);
    if (ec)
        throw LedgerError("the log folder " + PathText(logFolder_) +
                          " cannot be made: " + ec.message());
    const RecoveredRows& recovered = ledger_->Recovered();
    if (recovered.voided + recovered.unknown + recovered.failed > 0) {
        EmitStation(StationEventKind::Warning,
                    "this station ended before its units did: " + std::to_string(recovered.voided) +
                        " serial(s) now void, " + std::to_string(recovered.unknown) +
                        " unknown (the printer may hold them), " +
                        std::to_string(recovered.failed) + " unit(s) failed");
    }
    if (plan_.serials)
        ledger_->UseRange(*plan_.serials, plan_.recipeName);
    WriteDownloadFiles();
    if (settings_.presence == Presence::Identify)
        identify_ =
            std::make_unique<IdentifyPresence>(settings_.ports, plan_.findRates, logFolder_);
    else
        watch_ = std::make_unique<SlotWatch>(settings_.slotsFolder, [this] {
            slotsChanged_ = true;
            Wake();
        });
    if (settings_.presence == Presence::Links && settings_.timing.settle.count() > 0)
        probes_ = std::make_unique<SettleProbes>(plan_.rate, logFolder_, settings_.identity.name,
                                                 [this] { Wake(); });
}

void Station::WriteDownloadFiles() {
    // The bytes the plan checked, not what a file holds by the time a unit
    // gets it. The lock makes the folder this station's own.
    downloadFolder_ = logFolder_ / (".downloads-" + settings_.identity.name);
    std::error_code ec;
    fs::remove_all(downloadFolder_, ec);
    fs::create_directories(downloadFolder_, ec);
    for (PlannedStep& step : plan_.steps) {
        if (step.kind != StepKind::Font && step.kind != StepKind::Logo)
            continue;
        step.preparedFile = downloadFolder_ / PathFromUtf8(step.fileName);
        std::ofstream out(step.preparedFile, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(step.bytes.data()),
                  static_cast<std::streamsize>(step.bytes.size()));
        out.close();
        if (!out)
            throw LedgerError(PathText(step.preparedFile) + " cannot be written");
    }
}

StationEnd Station::Run(const std::atomic<bool>& stop) {
    using Clock = SlotTracker::Clock;
    std::string where = settings_.presence == Presence::Links
                            ? SystemSlotsText(settings_.slotsFolder)
                            : std::to_string(settings_.ports.size()) + " port(s) by identify";
    EmitStation(StationEventKind::Station, "station " + settings_.identity.name + ": recipe " +
                                               plan_.recipeName + ", " + where + ", ledger " +
                                               PathText(settings_.ledger));
    if (plan_.serials) {
        const int64_t left = ledger_->NumbersLeft();
        if (left == 0) {
            usedUp_ = true;
            EmitStation(StationEventKind::Station, "the serial range " + plan_.serials->Describe() +
                                                       " is used up: no unit is taken");
            return StationEnd::RangeUsedUp;
        }
        StationEvent event;
        event.message = "serials " + plan_.serials->Describe() + ": " + std::to_string(left) + " left";
        event.left = left;
        Emit(event);
        WarnIfFewLeft(left);
    }
    auto nextScan = Clock::now();
    for (;;) {
        if (stop && !stopping_) {
            stopping_ = true;
            EmitStation(StationEventKind::Station,
                        "stopping: no new units; each running unit stops at its next safe step");
            for (auto& unit : units_)
                unit->RequestStop(UnitStop::Interrupted);
        }
        ReapUnits(Clock::now());
        // Every 500 ms, and when a unit settles or a gap ends in between.
        const auto due = tracker_.NextDeadline();
        if (Clock::now() >= nextScan || (due && Clock::now() >= *due) ||
            slotsChanged_.exchange(false)) {
            Scan(Clock::now());
            nextScan = Clock::now() + kSlotScanEvery;
        }
        const bool taking = !stopping_ && !usedUp_ && !ledgerFailed_;
        if (taking) {
            ProbeSettling();
            StartUnits();
        }
        if (!taking && units_.empty())
            break;
        std::unique_lock<std::mutex> lock(wakeMutex_);
        // The stop flag is set from a signal handler, which cannot notify:
        // the wait is short enough to notice it.
        auto until = std::min(nextScan, Clock::now() + std::chrono::milliseconds(100));
        if (const auto pending = tracker_.NextDeadline())
            until = std::min(until, *pending);
        wake_.wait_until(lock, until, [this] { return unitEnded_; });
        unitEnded_ = false;
    }
    if (ledgerFailed_)
        return StationEnd::LedgerFailed;
    return usedUp_ && !stopping_ ? StationEnd::RangeUsedUp : StationEnd::Stopped;
}

void Station::WarnIfFewLeft(int64_t left) {
    // None left is said by the range's end, not as a few.
    if (left > 0 && FewLeft(*plan_.serials, left) && !warnedFewLeft_.exchange(true))
        EmitStation(StationEventKind::Warning, "only " + std::to_string(left) +
                                                   " serial(s) left in the range " +
                                                   plan_.serials->Describe());
}

void Station::Scan(SlotTracker::Clock::time_point now) {
    SlotScan scan;
    if (settings_.presence == Presence::Links) {
        scan = ScanSystemSlots(settings_.slotsFolder);
    } else {
        std::set<std::string> busy;
        for (const auto& unit : units_)
            busy.insert(unit->Slot());
        scan = identify_->Poll(now, busy);
    }
    for (const SlotChange& change : tracker_.Update(now, scan))
        Handle(change);
}

void Station::Handle(const SlotChange& change) {
    // The hub reset said it for every slot at once.
    if (change.hubReset && change.kind == SlotChangeKind::Removed)
        return;
    StationEvent event;
    event.kind = StationEventKind::Slot;
    event.slot = change.slot;
    event.port = PathText(change.link.device);
    switch (change.kind) {
        case SlotChangeKind::Plugged:
            event.message = "plugged in (" + event.port + ")";
            break;
        case SlotChangeKind::Ready:
            return;  // its unit's start says it
        case SlotChangeKind::Returned:
            event.message = "back on " + event.port + ": the same unit re-enumerated";
            break;
        case SlotChangeKind::Removed:
            event.message = "empty";
            break;
        case SlotChangeKind::Lost:
            event.message = "unplugged while its unit ran: that unit fails";
            for (auto& unit : units_) {
                if (unit->Slot() == change.slot)
                    unit->RequestStop(change.hubReset ? UnitStop::HubReset : UnitStop::Unplugged);
            }
            break;
        case SlotChangeKind::HubReset:
            event.kind = StationEventKind::Warning;
            event.hubReset = true;
            event.port.clear();
            event.message = "hub reset: all " + std::to_string(change.slots) +
                            " slots went at once, and the units running in them fail; check "
                            "the hub's power supply and its cable";
            break;
        case SlotChangeKind::Flagged:
            event.kind = StationEventKind::Warning;
            event.flagged = true;
            event.message = std::to_string(kFailuresToFlag) +
                            " units failed in a row here: check the cable or hub; the slot takes "
                            "no more units until the station restarts";
            break;
    }
    if (change.hubReset)
        return;
    Emit(event);
}

void Station::ReapUnits(SlotTracker::Clock::time_point now) {
    for (auto it = units_.begin(); it != units_.end();) {
        UnitRun& unit = **it;
        if (!unit.Ended()) {
            ++it;
            continue;
        }
        const UnitOutcome outcome = unit.Outcome();
        const std::string slot = unit.Slot();
        it = units_.erase(it);  // joins its thread
        if (!outcome.ledgerFailure.empty() && !ledgerFailed_) {
            ledgerFailed_ = true;
            EmitStation(StationEventKind::Station,
                        "the ledger failed: " + outcome.ledgerFailure + "; the station stops");
            for (auto& other : units_)
                other->RequestStop(UnitStop::Interrupted);
        }
        // Its serial may have been the last: the station then ends once the
        // running units are done, without waiting for one that cannot get any.
        const bool noneLeft =
            outcome.rangeUsedUp || (!ledgerFailed_ && plan_.serials && ledger_->NumbersLeft() == 0);
        if (noneLeft && !usedUp_) {
            usedUp_ = true;
            EmitStation(StationEventKind::Station,
                        "the serial range " + plan_.serials->Describe() +
                            " is used up: the station takes no more units");
        }
        for (const SlotChange& change : tracker_.UnitEnded(slot, outcome.passed, now))
            Handle(change);
    }
}

void Station::Wake() {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    unitEnded_ = true;
    wake_.notify_one();
}

void Station::ProbeSettling() {
    if (!probes_)
        return;
    for (const std::string& slot : probes_->Answered()) {
        for (const SlotChange& change : tracker_.Settled(slot))
            Handle(change);
    }
    std::map<std::string, fs::path> settling;
    for (const std::string& slot : tracker_.SettlingSlots())
        settling[slot] = tracker_.LinkOf(slot)->link;
    probes_->Probe(settling);
}

void Station::StartUnits() {
    for (const std::string& slot : tracker_.ReadySlots()) {
        if (identify_ && identify_->Polling(slot))
            continue;  // the poll has the port; next round
        if (probes_ && probes_->Probing(slot))
            continue;  // a settle query has it
        const auto link = tracker_.LinkOf(slot);
        UnitSetup setup;
        setup.slot = slot;
        setup.port = link->link;
        setup.device = link->device;
        setup.usb = UsbIdentityOf(link->device);
        setup.logFolder = logFolder_;
        setup.reenumeration = settings_.timing.reenumeration;
        auto emit = [this](const StationEvent& event) {
            if (event.kind != StationEventKind::Serial) {
                Emit(event);
                return;
            }
            StationEvent serial = event;
            serial.left = ledger_->NumbersLeft();
            Emit(serial);
            WarnIfFewLeft(serial.left);
        };
        auto ended = [this] { Wake(); };
        auto unit =
            std::make_unique<UnitRun>(plan_, *ledger_, preparer_, emit, std::move(setup), ended);
        tracker_.UnitStarted(slot);
        unit->Start();
        units_.push_back(std::move(unit));
    }
}
