// One port's job: a worker of its own with the request of that port, and
// what came of it. RunOnePort is the whole call on a single port.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli_request.h"
#include "cli_transfer.h"
#include "comm_observer.h"
#include "comm_thread.h"

struct PortOutcome {
    int code = kErrorNone;     // the worker's ErrorCode
    std::string message;       // what was done, or why it failed
    std::string identity;      // what the printer said it is
    std::string logSaveError;  // why its debug log could not be written
    double elapsed = 0;        // seconds
    int32_t rate = 0;          // the rate the job opened the port at
    int32_t blockRate = 0;     // the rate a transfer's blocks went at; 0: none, or UDP
    std::string logPath;       // where its debug log was written; empty: nowhere
    // How a failed job left the printer, and the command that reaches it.
    std::optional<PrinterLeft> left;
    std::string wayBack;
};

// The result object of --json for one port.
nlohmann::json ResultObject(const CliRequest& request, const PortOutcome& outcome);
// -b auto: says on stderr at which rate the printer answered.
void SayFoundRate(const CliRequest& request, const PortOutcome& outcome);
// After a failure: the debug log that holds every frame of the job, on
// stderr ("printer-cli: COM3: debug log: ..." with `portPrefix`).
void SayDebugLog(const PortOutcome& outcome, const std::string& portPrefix = "");

class PortJob {
  public:
    // The observer is the job's environment and display; the job owns it so
    // that it outlives the worker that calls it.
    PortJob(CliRequest request, std::unique_ptr<CommObserver> observer);

    // Fills the worker's request (a firmware image is copied) and starts it.
    void Start(const TransferInput& input);
    // True once the job has ended; Outcome() is then set.
    bool WaitDone(int timeoutMs);
    // A transfer stops after the block in flight.
    void RequestStop() { worker_.RequestStop(); }

    const CliRequest& Request() const { return request_; }
    const std::optional<PortOutcome>& Outcome() const { return outcome_; }

  private:
    CliRequest request_;
    std::unique_ptr<CommObserver> observer_;
    TCommThread worker_;
    std::string what_;  // the transfer's file, for the success message
    std::chrono::steady_clock::time_point started_;
    std::optional<PortOutcome> outcome_;
};

// The call on one port, printed as a one-port call always was: the identity,
// "OK: ..." or the error; JSON Lines with --json. Returns the exit status.
int RunOnePort(const CliRequest& request, const TransferInput& input,
               const std::filesystem::path& exeFolder, const std::atomic<bool>& interrupted);
