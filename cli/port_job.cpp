#include "port_job.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli_observer.h"
#include "json_line.h"
#include "path_text.h"
#include "rate_recovery.h"

namespace {

// The link as messages name it: "/dev/ttyUSB0 at 9600 bit/s".
std::string Where(const CliRequest& request, int32_t rate) {
    return DescribeLink(request.port, static_cast<uint32_t>(rate), request.endpoint);
}

// The job's request, filled from the parsed command line.
uint8_t FillRequest(const CliRequest& request, const TransferInput& input, TCommThread& worker) {
    switch (request.command) {
        case CliCommand::Setting:
            worker.Payload() = request.payload;
            return kJobSendSetting;
        case CliCommand::Download:
            worker.Downloads() = {request.download};
            return kJobDownloadFiles;
        case CliCommand::Firmware:
            worker.Buffer().bytes = input.image;
            worker.Buffer().position = 0;
            return kJobFirmwareUpdate;
        default:
            return kJobIdentify;
    }
}

// ": rate 19200, codepage 2, ..." as the OK line lists the values written.
std::string WrittenValuesText(const std::vector<WrittenValue>& values) {
    std::string text;
    for (const WrittenValue& v : values) {
        text += (text.empty() ? ": " : ", ") + v.name + " " +
                (v.value.is_string() ? v.value.get<std::string>() : v.value.dump());
    }
    return text;
}

std::string SuccessMessage(const CliRequest& request, const PortOutcome& outcome,
                           const std::string& what) {
    switch (request.command) {
        case CliCommand::Identify:
            return "identified " + outcome.identity + " on " + Where(request, outcome.rate);
        case CliCommand::Download:
        case CliCommand::Firmware: {
            // The rate the blocks went at, not the one the printer was found at.
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.1f", outcome.elapsed);
            return what + " sent to " +
                   Where(request, outcome.blockRate > 0 ? outcome.blockRate : outcome.rate) +
                   " in " + seconds + " s";
        }
        default:
            return request.settingName + " written on " + Where(request, outcome.rate) +
                   WrittenValuesText(request.settingValues);
    }
}

}  // namespace

PortJob::PortJob(CliRequest request, std::unique_ptr<CommObserver> observer)
    : request_(std::move(request)), observer_(std::move(observer)), worker_(*observer_) {}

void PortJob::Start(const TransferInput& input) {
    const uint8_t job = FillRequest(request_, input, worker_);
    what_ = input.what;
    started_ = std::chrono::steady_clock::now();
    worker_.StartJob(job);
}

bool PortJob::WaitDone(int timeoutMs) {
    if (outcome_)
        return true;
    if (!worker_.JobDoneEvent().Wait(timeoutMs))
        return false;
    PortOutcome outcome;
    outcome.elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    outcome.code = worker_.ErrorCode();
    outcome.identity = worker_.Identity();
    outcome.rate = worker_.JobRate();
    outcome.blockRate = worker_.BlockRate();
    outcome.logPath = PathText(worker_.SavedLogPath());
    outcome.message = outcome.code != kErrorNone ? worker_.FailureReason()
                                                 : SuccessMessage(request_, outcome, what_);
    outcome.left = worker_.LeftBehind();
    if (outcome.left) {
        // The reason says where the printer is; this is how to get at it.
        outcome.wayBack = CommandAtRate(request_, request_.port, outcome.left->rate);
        outcome.message += outcome.left->rate > 0
                               ? ": to reach it, run the command again with -b " +
                                     std::to_string(outcome.left->rate) + ": " + outcome.wayBack
                               : ": run the command again to finish";
    }
    outcome.logSaveError = worker_.LogSaveError();
    outcome_ = std::move(outcome);
    return true;
}

nlohmann::json ResultObject(const CliRequest& request, const PortOutcome& outcome) {
    nlohmann::json result = {{"event", "result"},
                             {"ok", outcome.code == 0},
                             {"code", outcome.code},
                             {"message", outcome.message},
                             {"port", request.port},
                             {"rate", outcome.rate},
                             {"identity", outcome.identity},
                             {"elapsed", outcome.elapsed}};
    if (outcome.blockRate > 0)
        result["transferRate"] = outcome.blockRate;
    if (!outcome.logPath.empty())
        result["log"] = outcome.logPath;
    if (!request.settingValues.empty() && outcome.code == kErrorNone) {
        nlohmann::json values = nlohmann::json::object();
        for (const WrittenValue& v : request.settingValues)
            values[v.name] = v.value;
        result["values"] = values;
    }
    if (outcome.left) {
        result["left"] = {{"mode", outcome.left->mode},
                          {"rate", outcome.left->rate},
                          {"command", outcome.wayBack}};
    }
    return result;
}

void SayFoundRate(const CliRequest& request, const PortOutcome& outcome) {
    if (request.findRate && !outcome.identity.empty() && !request.quiet) {
        std::cerr << "printer-cli: " << request.port << ": the printer answered at " << outcome.rate
                  << " bit/s\n";
    }
}

void SayDebugLog(const PortOutcome& outcome, const std::string& portPrefix) {
    if (outcome.code != kErrorNone && !outcome.logPath.empty())
        std::cerr << "printer-cli: " << portPrefix << "debug log: " << outcome.logPath << "\n";
}

int RunOnePort(const CliRequest& request, const TransferInput& input,
               const std::filesystem::path& exeFolder, const std::atomic<bool>& interrupted) {
    PortJob job(request, std::make_unique<CliObserver>(request, exeFolder));
    job.Start(input);
    // Waits for the job's end, passing an interrupt on to the worker.
    constexpr int kCheckEveryMs = 50;
    bool stopAsked = false;
    while (!job.WaitDone(kCheckEveryMs)) {
        if (interrupted && !stopAsked) {
            job.RequestStop();
            stopAsked = true;
        }
    }

    const PortOutcome& outcome = *job.Outcome();
    const int code = outcome.code;
    SayFoundRate(request, outcome);
    if (request.json) {
        std::cout << JsonLine(ResultObject(request, outcome)) << std::endl;
    } else if (code != kErrorNone) {
        std::cerr << "printer-cli: error " << code << ": " << outcome.message << "\n";
        SayDebugLog(outcome);
    } else if (request.command == CliCommand::Identify) {
        std::cout << outcome.identity << "\n";
    } else if (!request.quiet) {
        std::cout << "OK: " << outcome.message << "\n";
    }
    if (!outcome.logSaveError.empty() && !request.quiet) {
        std::cerr << "printer-cli: warning: " << outcome.logSaveError << "\n";
    }
    if (code == kErrorStopped || (code == kErrorNone && interrupted))
        return kExitInterrupted;
    return code;
}
