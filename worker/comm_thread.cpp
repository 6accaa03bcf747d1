#include "comm_thread.h"

#include <exception>
#include <filesystem>

static_assert(kMaxSettingLength == static_cast<uint32_t>(kMaxCommandData),
              "a setting must fit the data room of one command frame");

TCommThread::TCommThread(CommObserver& observer, DebugLog::TimeSource clock)
    : observer_(observer), log_(std::move(clock)), thread_([this] { Execute(); }) {}

TCommThread::~TCommThread() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

bool TCommThread::StartJob(uint8_t jobCode) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (running_ || stop_)
            return false;
        running_ = true;
        jobCode_ = jobCode;
        stopRequested_ = false;
    }
    wake_.notify_one();
    return true;
}

bool TCommThread::Busy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

void TCommThread::Execute() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return running_ || stop_; });
            if (stop_ && !running_)
                return;
        }
        const JobEnvironment environment = observer_.CurrentEnvironment();
        RunJob(jobCode_, environment);
        DiagnoseNoReply(environment);
        SaveLog(environment);
        jobCode_ = kJobIdle;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = false;
        }
        jobDone_.Set();
        observer_.JobFinished();
    }
}

void TCommThread::RunJob(uint8_t jobCode, const JobEnvironment& environment) {
    log_.Clear();
    portName_ = environment.portName;
    portRate_ = environment.portRate;
    transferRate_ = environment.transferRate > 0 ? environment.transferRate : kTransferRate;
    findRates_ = environment.findRates;
    blockRate_ = 0;
    leftBehind_.reset();
    advice_.clear();
    answeringRate_ = 0;
    link_.SetDatagramEndpoint(environment.endpoint);
    link_.ClearError();
    try {
        switch (jobCode) {
            case kJobIdentify:
                DoIdentify();
                break;
            case kJobDownloadFiles:
                DoDownloadFiles();
                break;
            case kJobSendSetting:
                DoSendSetting();
                break;
            case kJobFirmwareUpdate:
                DoFirmwareUpdate();
                break;
            default:
                break;  // no printer work
        }
    } catch (const std::exception& e) {
        // A job that cannot go on never passes for a success, and never
        // leaves the port open.
        link_.Fail(kErrorBadRequest, std::string("the job stopped: ") + e.what());
        CloseLinkAfterError();
    } catch (...) {
        link_.Fail(kErrorBadRequest, "the job stopped on an unknown error");
        CloseLinkAfterError();
    }
    NoteLeftBehind();
}

std::string LeftBehindText(const PrinterLeft& left) {
    const std::string rate = std::to_string(left.rate) + " bit/s";
    if (left.mode.empty())
        return "the printer is left at " + rate;
    return "the printer is still in " + left.mode + " mode at " + rate;
}

void TCommThread::NoteLeftBehind() {
    if (link_.ErrorCode() == kErrorNone)
        return;
    const bool moved = link_.PrinterRate() != 0 && link_.PrinterRate() != portRate_;
    if (link_.PrinterMode().empty() && !moved)
        return;
    // Over datagrams there is no rate; the mode is what matters.
    leftBehind_ = PrinterLeft{link_.PrinterMode(), link_.PrinterRate()};
    link_.Fail(link_.ErrorCode(), link_.FailureReason() + "; " + LeftBehindText(*leftBehind_));
}

bool TCommThread::OpenJobLink() {
    if (findRates_.empty())
        return link_.OpenLink(portName_, portRate_);
    std::string tried;
    for (const int32_t rate : findRates_) {
        if (link_.OpenLink(portName_, rate)) {
            link_.ClearError();  // the silence at the rates before is no failure
            portRate_ = rate;
            return true;
        }
        if (link_.ErrorCode() != kErrorNoReply)
            return false;  // no port, or another device: another rate will not help
        tried += (tried.empty() ? "" : ", ") + std::to_string(rate);
    }
    link_.Fail(kErrorNoReply,
               "no reply to the identify query on " + portName_ + " at any of " + tried + " bit/s");
    return false;
}

void TCommThread::CloseLinkAfterError() {
    try {
        link_.CloseLink();
    } catch (...) {
        // Closing the port comes first; its log line may be lost.
        link_.Uart().Close();
    }
}

namespace {

std::filesystem::path DebugLogPath(const JobEnvironment& environment) {
    if (!environment.debugLogPath.empty())
        return environment.debugLogPath;
    if (environment.exeFolder.empty())
        return kDebugLogName;
    return environment.exeFolder / kDebugLogName;
}

// "debug.log" -> "debug-failed.log": a failed job's log, kept from the next job.
std::filesystem::path FailedLogPath(const std::filesystem::path& log) {
    std::filesystem::path name = log.stem();
    name += "-failed";
    name += log.extension();
    return std::filesystem::path(log).replace_filename(name);
}

}  // namespace

void TCommThread::SaveLog(const JobEnvironment& environment) {
    const std::filesystem::path path = DebugLogPath(environment);
    // A log that cannot be written does not change the job's result.
    logSaveError_.clear();
    savedLogPath_.clear();
    if (!log_.Save(path, logSaveError_))
        return;
    savedLogPath_ = path;
    keepFailedLog_ = environment.keepFailedLog;
    if (keepFailedLog_ && link_.ErrorCode() != kErrorNone) {
        std::string ignored;  // the main log is there; the copy is a courtesy
        log_.Save(FailedLogPath(path), ignored);
    }
}

void TCommThread::AppendLogNote(const std::string& text) {
    if (savedLogPath_.empty())
        return;
    log_.LogLine(text);
    log_.Save(savedLogPath_, logSaveError_);
    if (keepFailedLog_ && link_.ErrorCode() != kErrorNone) {
        std::string ignored;
        log_.Save(FailedLogPath(savedLogPath_), ignored);
    }
}

void TCommThread::ReportProgress(const std::string& text, int32_t done, int32_t total, bool panel) {
    if (panel) {
        observer_.StatusText(text);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool due =
        !lastProgress_ ||
        std::chrono::duration_cast<std::chrono::milliseconds>(now - *lastProgress_).count() >
            kProgressIntervalMs;
    if (due || done >= total) {
        lastProgress_ = now;
        observer_.JobProgress(done, total);
    }
}

void TCommThread::DoIdentify() {
    OpenJobLink();
    link_.CloseLink();
}

void TCommThread::DoSendSetting() {
    if (payload_.Length > kMaxSettingLength) {
        link_.Fail(kErrorBadRequest, "the setting has " + std::to_string(payload_.Length) +
                                         " bytes; at most " + std::to_string(kMaxSettingLength) +
                                         " fit in one command");
        return;
    }
    if (OpenJobLink()) {
        link_.SendCommand(static_cast<uint16_t>(payload_.Command), payload_.Parameter,
                          payload_.Data.data(), 1023, static_cast<int>(payload_.Length),
                          kSettingTries, kSettingTimeoutMs, "the setting command");
    }
    link_.CloseLink();
}
