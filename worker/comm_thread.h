// TCommThread: the one thread that does printer work, one job at a time.
// A front end fills the request of a job while the worker is idle, calls
// StartJob, and waits for JobDoneEvent; then ErrorCode() tells the result and
// FailureReason() says why in plain words. After every job the debug log is
// written to "debug.log" in the front end's folder.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "auto_reset_event.h"
#include "block_transfer.h"
#include "comm_observer.h"
#include "debug_log.h"
#include "frame.h"
#include "job_request.h"
#include "printer_link.h"
#include "setting_payload.h"

inline constexpr int kProgressIntervalMs = 70;
inline constexpr int kSettingTries = 3;
inline constexpr int kSettingTimeoutMs = 1000;
inline constexpr const char* kDebugLogName = "debug.log";
// A failed job's log, kept beside the debug log when the front end asks.
inline constexpr const char* kFailedLogName = "debug-failed.log";
// Block transfers run at this rate, whatever rate the job opened at.
inline constexpr int32_t kTransferRate = 115200;
inline constexpr int kEndUpdateTries = 1;
inline constexpr int kEndUpdateTimeoutMs = 600;

struct PreparedDownload;

// How a job that did not end well left the printer, when not as it found
// it: the mode it is still in ("update", "download"; empty: none) and the
// rate it talks at. The front ends add the way back in their own terms.
struct PrinterLeft {
    std::string mode;
    int32_t rate = 0;
};

// "the printer is still in update mode at 115200 bit/s".
std::string LeftBehindText(const PrinterLeft& left);

class TCommThread {
  public:
    explicit TCommThread(CommObserver& observer, DebugLog::TimeSource clock = LocalLogTime);
    // Ends the thread: an idle worker at once, a running one after its job.
    ~TCommThread();
    TCommThread(const TCommThread&) = delete;
    TCommThread& operator=(const TCommThread&) = delete;

    // Starts a job; false (and nothing changes) while another one runs.
    bool StartJob(uint8_t jobCode);
    // Asks a running transfer to stop after the block in flight; the job
    // then ends with kErrorStopped and says what the printer was left with.
    // Any thread may ask.
    void RequestStop() { stopRequested_ = true; }
    bool Busy() const;

    AutoResetEvent& JobDoneEvent() { return jobDone_; }
    uint8_t JobCode() const { return jobCode_.load(); }

    // The result of the last job; read after JobDoneEvent.
    uint8_t ErrorCode() const { return link_.ErrorCode(); }
    const std::string& FailureReason() const { return link_.FailureReason(); }
    const std::string& Identity() const { return link_.Identity(); }
    // The rate the last job opened the port at: the job's, or the one the
    // printer answered at when the job was to find it.
    int32_t JobRate() const { return portRate_; }
    // The rate the last job's blocks went at (the transfer rate, or the one
    // it fell back to); 0 when it sent no block or sent them as datagrams.
    int32_t BlockRate() const { return blockRate_; }
    // What to do about the last job's failure, in doctor's words (check the
    // cable, the rate to pick, a program holding the port); empty when the
    // reason says all there is.
    const std::string& Advice() const { return advice_; }
    // The rate the printer answered at when the last job got no reply at its
    // own; 0 when it did not answer at another.
    int32_t AnsweringRate() const { return answeringRate_; }
    // Set when the last job failed and left the printer in a mode or at
    // another rate than it was found at; its reason then says so too.
    const std::optional<PrinterLeft>& LeftBehind() const { return leftBehind_; }
    const DebugLog& Log() const { return log_; }
    // Why "debug.log" could not be written after the last job; empty when it was.
    const std::string& LogSaveError() const { return logSaveError_; }
    // Where the last job's debug log was written; empty when it could not be.
    // With JobEnvironment::keepFailedLog, a failed job's log is also kept
    // beside it as "debug-failed.log", so that the next job does not replace it.
    const std::filesystem::path& SavedLogPath() const { return savedLogPath_; }
    // Adds `text` as the last line of the last job's log and writes the log
    // again: for what only the front end knows, such as the session ending
    // under a transfer. Only while the worker is idle.
    void AppendLogNote(const std::string& text);

    // The request fields; write them only while the worker is idle.
    SettingPayload& Payload() { return payload_; }
    FileBuffer& Buffer() { return fileBuffer_; }
    DownloadList& Downloads() { return downloads_; }

    // From a job: with `panel`, `text` goes to the status line at once;
    // otherwise done/total go out when more than 70 ms have passed since the
    // last report, and always for the last block (done >= total).
    void ReportProgress(const std::string& text, int32_t done, int32_t total, bool panel);

  private:
    void Execute();
    void RunJob(uint8_t jobCode, const JobEnvironment& environment);
    void CloseLinkAfterError();
    // After a job without a reply: what one identify at each other rate
    // finds (when identify went unanswered) and who else holds the port,
    // added to the failure reason.
    void DiagnoseNoReply(const JobEnvironment& environment);
    void SaveLog(const JobEnvironment& environment);
    void DoIdentify();
    void DoSendSetting();
    // OpenLink at the job's rate, or at the first rate of the environment's
    // list that the printer answers at.
    bool OpenJobLink();
    void NoteLeftBehind();
    // Open, identify and move to the transfer rate, honouring a stop
    // between the steps.
    bool OpenTransferLink();
    bool SwitchToTransferRate();
    // False, with the job ended as stopped, when a stop was asked for.
    bool GoOn();
    // A stop before any block: the printer goes back to the job's rate.
    void StoppedBeforeWriting();
    // Moves the printer back to the job's rate if it was moved; the job's
    // failure, if any, stays as it was.
    void ReturnToJobRate();
    void DoDownloadFiles();
    bool SendDownloads(std::vector<PreparedDownload>& files);
    void DoFirmwareUpdate();
    BlockSender LinkSender();
    BlockProgress TransferProgress();
    BlockStop StopRequested();
    // Notes the rate the blocks about to be sent go at.
    void NoteBlockRate();
    // Records how a transfer that did not go through ended; true when it did.
    // `firstFile`: nothing was written before this transfer.
    bool TransferWentThrough(const BlockOutcome& outcome, bool firstFile);

    CommObserver& observer_;
    DebugLog log_;
    std::string logSaveError_;
    std::filesystem::path savedLogPath_;
    PrinterLink link_{&log_};
    std::string portName_;
    int32_t portRate_ = 0;
    int32_t transferRate_ = kTransferRate;
    int32_t blockRate_ = 0;
    std::vector<int32_t> findRates_;
    std::optional<PrinterLeft> leftBehind_;
    std::string advice_;
    int32_t answeringRate_ = 0;
    bool keepFailedLog_ = false;
    SettingPayload payload_;
    FileBuffer fileBuffer_;
    DownloadList downloads_;
    std::optional<std::chrono::steady_clock::time_point> lastProgress_;
    AutoResetEvent jobDone_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    bool stop_ = false;
    std::atomic<uint8_t> jobCode_{kJobIdle};
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;  // last: starts after every other member is ready
};
