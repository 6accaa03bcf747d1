#include "unit_run.h"

#include <cstdio>
#include <fstream>

#include "path_text.h"
#include "system_slots.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCheckStopEveryMs = 50;
// How often the station looks at its slots, at most.
constexpr std::chrono::milliseconds kSlotScanSpan{500};
// A unit's exit code as printer-cli's: 130 for a stop, the job's code else.
constexpr int kStoppedExitCode = 130;
constexpr int kCannotCarryOutExitCode = kErrorBadRequest;

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

}  // namespace

// The worker's environment for each job, and its progress as events.
class UnitRun::Observer : public CommObserver {
  public:
    explicit Observer(UnitRun& unit) : unit_(unit) {}

    JobEnvironment CurrentEnvironment() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return environment_;
    }
    void JobProgress(int32_t done, int32_t total) override {
        StationEvent event = unit_.EventOf(StationEventKind::Progress, "");
        event.done = done;
        event.total = total;
        unit_.emit_(event);
    }
    void StatusText(const std::string&) override {}
    void JobFinished() override {}

    void Use(JobEnvironment environment) {
        std::lock_guard<std::mutex> lock(mutex_);
        environment_ = std::move(environment);
    }

  private:
    UnitRun& unit_;
    std::mutex mutex_;
    JobEnvironment environment_;
};

UnitRun::UnitRun(const StationPlan& plan, Ledger& ledger, StepPreparer& preparer, Emit emit,
                 UnitSetup setup, std::function<void()> ended)
    : plan_(plan),
      ledger_(ledger),
      preparer_(preparer),
      emit_(std::move(emit)),
      setup_(std::move(setup)),
      onEnded_(std::move(ended)),
      observer_(std::make_unique<Observer>(*this)),
      worker_(std::make_unique<TCommThread>(*observer_)) {}

UnitRun::~UnitRun() {
    RequestStop(UnitStop::Interrupted);
    if (thread_.joinable())
        thread_.join();
}

void UnitRun::Start() {
    started_ = std::chrono::steady_clock::now();
    thread_ = std::thread([this] { Run(); });
}

void UnitRun::RequestStop(UnitStop why) {
    int none = static_cast<int>(UnitStop::None);
    stop_.compare_exchange_strong(none, static_cast<int>(why));
    std::lock_guard<std::mutex> lock(waitMutex_);
    stopped_.notify_all();
}

std::string UnitRun::StopWords() const {
    switch (static_cast<UnitStop>(stop_.load())) {
        case UnitStop::Unplugged:
            return "unplugged";
        case UnitStop::HubReset:
            return "hub reset";
        default:
            return "stopped";
    }
}

StationEvent UnitRun::EventOf(StationEventKind kind, const std::string& message) const {
    StationEvent event;
    event.kind = kind;
    event.slot = setup_.slot;
    event.message = message;
    event.unit = unit_;
    event.port = PathText(setup_.device);
    event.step = StepName(current_);
    return event;
}

void UnitRun::Run() {
    try {
        RunSteps();
    } catch (const LedgerError& error) {
        // Without its ledger the station must not go on: nothing it does
        // could be recorded.
        outcome_.ledgerFailure = error.what();
        StationEvent event =
            EventOf(StationEventKind::Result, "FAIL: the ledger: " + outcome_.ledgerFailure);
        event.result = "fail";
        event.reason = "the ledger: " + outcome_.ledgerFailure;
        emit_(event);
    }
    ended_ = true;
    onEnded_();
}

void UnitRun::RunSteps() {
    unit_ = ledger_.StartUnit(
        {setup_.slot, PathText(setup_.device), setup_.usb.id, setup_.usb.serial}, setup_.logFolder);
    log_ = ledger_.LogPath(unit_);
    emit_(EventOf(StationEventKind::Unit, "started on " + PathText(setup_.device)));
    current_ = StepKind::Find;
    if (!Job(StepKind::Find, kJobIdentify))
        return;
    ledger_.NoteFound(unit_, rate_);
    StationEvent found = EventOf(StationEventKind::Unit,
                                 "found " + identity_ + " at " + std::to_string(rate_) + " bit/s");
    found.rate = rate_;
    emit_(found);
    for (const PlannedStep& step : plan_.steps) {
        current_ = step.kind;
        if (stop_ != static_cast<int>(UnitStop::None)) {
            const bool interrupted = stop_ == static_cast<int>(UnitStop::Interrupted);
            Finish(false, step.kind, StopWords() + " before " + StepName(step.kind),
                   interrupted ? kStoppedExitCode : kErrorPortOpen);
            return;
        }
        if (step.kind == StepKind::Factory) {
            if (!Factory())
                return;
            continue;
        }
        emit_(EventOf(StationEventKind::Step, std::string(StepName(step.kind)) + " " + step.what));
        switch (step.kind) {
            case StepKind::Firmware:
                worker_->Buffer().bytes = step.bytes;
                worker_->Buffer().position = 0;
                if (!Job(step.kind, kJobFirmwareUpdate))
                    return;
                break;
            case StepKind::Font:
            case StepKind::Logo:
                worker_->Downloads() = {
                    {step.preparedFile, step.fileName, step.command, step.address}};
                if (!Job(step.kind, kJobDownloadFiles))
                    return;
                break;
            default:
                worker_->Payload() = step.payload;
                if (!Job(step.kind, kJobSendSetting))
                    return;
                break;
        }
    }
    current_ = StepKind::Identify;
    emit_(EventOf(StationEventKind::Step, "identify"));
    if (!Job(StepKind::Identify, kJobIdentify))
        return;
    Finish(true, StepKind::Identify, "", 0);
}

bool UnitRun::Factory() {
    const auto allocation = ledger_.Allocate(unit_);
    if (!allocation) {
        outcome_.rangeUsedUp = true;
        Finish(false, StepKind::Factory,
               "the serial range " + plan_.serials->Describe() + " is used up",
               kCannotCarryOutExitCode);
        return false;
    }
    serial_ = allocation->serial;
    StationEvent event = EventOf(StationEventKind::Serial, "serial " + serial_);
    event.serial = serial_;
    emit_(event);
    std::string problem;
    const auto prepared = preparer_.Setting(
        SettingStep::Factory, {{"model", plan_.serials->model}, {"serial", serial_}}, problem);
    if (!prepared) {
        Finish(false, StepKind::Factory, "serial " + serial_ + " cannot be written: " + problem,
               kCannotCarryOutExitCode);
        return false;
    }
    // Committed before the command leaves: a crash from here on leaves a
    // row that says the printer may hold this serial.
    ledger_.MarkWriting(unit_);
    worker_->Payload() = prepared->payload;
    emit_(EventOf(StationEventKind::Step, "factory " + prepared->values));
    if (!Job(StepKind::Factory, kJobSendSetting))
        return false;
    ledger_.MarkWritten(unit_);
    return true;
}

bool UnitRun::PortPresent() const {
    return PortInSlot(setup_.port, setup_.slot);
}

bool UnitRun::WaitForPort() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + setup_.reenumeration;
    std::unique_lock<std::mutex> lock(waitMutex_);
    while (!PortPresent()) {
        if (stop_ != static_cast<int>(UnitStop::None) || Clock::now() >= deadline)
            return false;
        stopped_.wait_until(
            lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(kCheckStopEveryMs)));
    }
    return true;
}

void UnitRun::AwaitVerdict() {
    using Clock = std::chrono::steady_clock;
    // The window, then a scan's time for the station to look.
    const auto deadline = Clock::now() + setup_.reenumeration + 2 * kSlotScanSpan;
    std::unique_lock<std::mutex> lock(waitMutex_);
    while (!PortPresent() && stop_ == static_cast<int>(UnitStop::None) &&
           Clock::now() < deadline)
        stopped_.wait_until(
            lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(kCheckStopEveryMs)));
}

bool UnitRun::Job(StepKind step, uint8_t jobCode) {
    current_ = step;
    if (!WaitForPort()) {
        const bool interrupted = stop_ == static_cast<int>(UnitStop::Interrupted);
        Finish(false, step, (stop_ == static_cast<int>(UnitStop::None) ? "unplugged" : StopWords()) +
                                " before " + StepName(step),
               interrupted ? kStoppedExitCode : kErrorPortOpen);
        return false;
    }
    JobEnvironment environment;
    environment.portName = PathText(setup_.port);
    // The rate it answered at last first: a firmware update, for one, leaves
    // it at the rate it starts at.
    std::vector<int32_t> rates;
    if (rate_ > 0)
        rates.push_back(rate_);
    for (const int32_t rate : plan_.findRates) {
        if (rate != rate_)
            rates.push_back(rate);
    }
    environment.portRate = rates.front();
    environment.findRates = rates;
    environment.transferRate = plan_.transferRate;
    environment.debugLogPath = fs::path(log_).concat(".job");
    environment.rateAdvice = RateAdvice::CommandLine;
    observer_->Use(environment);
    worker_->StartJob(jobCode);
    bool stopAsked = false;
    while (!worker_->JobDoneEvent().Wait(kCheckStopEveryMs)) {
        if (!stopAsked && stop_ != static_cast<int>(UnitStop::None)) {
            worker_->RequestStop();
            stopAsked = true;
        }
    }
    AppendJobLog();
    if (worker_->ErrorCode() == kErrorNone) {
        rate_ = worker_->JobRate();
        if (!worker_->Identity().empty())
            identity_ = worker_->Identity();
        return true;
    }
    const int code = worker_->ErrorCode();
    std::string reason = worker_->FailureReason();
    // A line that hung up with its port gone: was it taken out, or did the
    // hub go? The station tells once it knows.
    if (!PortPresent())
        AwaitVerdict();
    const UnitStop why = static_cast<UnitStop>(stop_.load());
    if (why == UnitStop::Unplugged || why == UnitStop::HubReset)
        reason = StopWords() + " during " + StepName(step) + ": " + reason;
    if (step == StepKind::Factory)
        reason += "; the printer may hold serial " + serial_;
    Finish(false, step, reason, code == kErrorStopped ? kStoppedExitCode : code);
    return false;
}

void UnitRun::AppendJobLog() {
    std::ofstream out(log_, std::ios::binary | std::ios::app);
    for (const std::string& line : worker_->Log().Lines())
        out << line << "\r\n";
    std::error_code ec;
    fs::remove(fs::path(log_).concat(".job"), ec);
}

void UnitRun::Finish(bool passed, StepKind step, const std::string& reason, int exitCode) {
    UnitEnd end;
    end.passed = passed;
    end.step = passed ? "" : StepName(step);
    end.reason = reason;
    end.exitCode = exitCode;
    end.identity = identity_;
    ledger_.Finish(unit_, end);
    outcome_.passed = passed;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    StationEvent event = EventOf(StationEventKind::Result,
                                 passed ? "PASS" + (serial_.empty() ? "" : " serial " + serial_) +
                                              " in " + Seconds(seconds) + ": remove the unit"
                                        : "FAIL at " + std::string(StepName(step)) + ": " + reason);
    event.step = passed ? "" : StepName(step);
    event.result = passed ? "pass" : "fail";
    event.serial = serial_;
    event.reason = reason;
    event.log = PathText(log_);
    event.seconds = seconds;
    event.hubReset = !passed && stop_ == static_cast<int>(UnitStop::HubReset);
    emit_(event);
}
