// printer-cli: the printer jobs of the window, from the command line.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_observer.h"
#include "cli_request.h"
#include "cli_transfer.h"
#ifdef PRINTER_CLI_LOGO
#include "cli_logo.h"
#endif
#include "comm_thread.h"
#include "default_log_folder.h"
#include "interrupts.h"
#include "port_list.h"
#include "program.h"

namespace {

int ListPorts(const CliRequest& request) {
    for (const PortInfo& port : AvailablePorts()) {
        if (request.json) {
            std::cout << nlohmann::json{{"port", port.name},
                                        {"description", port.description},
                                        {"usb", port.usbId}}
                             .dump()
                      << "\n";
        } else {
            std::cout << port.name;
            if (!port.description.empty())
                std::cout << "\t" << port.description;
            if (!port.usbId.empty())
                std::cout << "\tUSB " << port.usbId;
            std::cout << "\n";
        }
    }
    return 0;
}

std::string Where(const CliRequest& request) {
    return DescribeLink(request.port, static_cast<uint32_t>(request.rate), request.endpoint);
}

// The job's request, filled from the parsed command line.
uint8_t FillRequest(const CliRequest& request, TransferInput& input, TCommThread& worker) {
    switch (request.command) {
        case CliCommand::Setting:
            worker.Payload() = request.payload;
            return kJobSendSetting;
        case CliCommand::Download:
            worker.Downloads() = {request.download};
            return kJobDownloadFiles;
        case CliCommand::Firmware:
            worker.Buffer().bytes = std::move(input.image);
            worker.Buffer().position = 0;
            return kJobFirmwareUpdate;
        default:
            return kJobIdentify;
    }
}

std::string SuccessMessage(const CliRequest& request, const TCommThread& worker,
                           const TransferInput& input, double elapsed) {
    switch (request.command) {
        case CliCommand::Identify:
            return "identified " + worker.Identity() + " on " + Where(request);
        case CliCommand::Download:
        case CliCommand::Firmware: {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.1f", elapsed);
            return input.what + " sent to " + Where(request) + " in " + seconds + " s";
        }
        default:
            return request.settingName + " written on " + Where(request);
    }
}

// Ctrl-C or SIGTERM during a job: the first asks the job to stop after the
// block in flight (the port is closed and the log written), the second ends
// the program at once.
std::atomic<bool> g_interrupted{false};

void OnInterrupt() {
    if (g_interrupted.exchange(true))
        std::_Exit(kExitInterrupted);
}

// Waits for the job's end, passing an interrupt on to the worker.
void WaitForJob(TCommThread& worker) {
    constexpr int kCheckEveryMs = 50;
    bool stopAsked = false;
    while (!worker.JobDoneEvent().Wait(kCheckEveryMs)) {
        if (g_interrupted && !stopAsked) {
            worker.RequestStop();
            stopAsked = true;
        }
    }
}

int RunJob(const CliRequest& request, TransferInput& input,
           const std::filesystem::path& exeFolder) {
    CliObserver observer(request, exeFolder);
    TCommThread worker(observer);
    const uint8_t job = FillRequest(request, input, worker);
    const auto started = std::chrono::steady_clock::now();
    CatchInterrupts(OnInterrupt);
    worker.StartJob(job);
    WaitForJob(worker);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const int code = worker.ErrorCode();
    const std::string message = code != kErrorNone
                                    ? worker.FailureReason()
                                    : SuccessMessage(request, worker, input, elapsed);
    if (request.json) {
        nlohmann::json result = {{"event", "result"},
                                 {"ok", code == 0},
                                 {"code", code},
                                 {"message", message},
                                 {"port", request.port},
                                 {"rate", request.rate},
                                 {"identity", worker.Identity()},
                                 {"elapsed", elapsed}};
        std::cout << result.dump() << std::endl;
    } else if (code != kErrorNone) {
        std::cerr << "printer-cli: error " << code << ": " << message << "\n";
    } else if (request.command == CliCommand::Identify) {
        std::cout << worker.Identity() << "\n";
    } else if (!request.quiet) {
        std::cout << "OK: " << message << "\n";
    }
    if (!worker.LogSaveError().empty() && !request.quiet) {
        std::cerr << "printer-cli: warning: " << worker.LogSaveError() << "\n";
    }
    if (code == kErrorStopped || (code == kErrorNone && g_interrupted))
        return kExitInterrupted;
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    UseUtf8Console();
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const CliParse parsed = ParseCommandLine(static_cast<int>(arguments.size()), pointers.data());
    if (!parsed.request)
        return parsed.exitCode;
    CliRequest request = *parsed.request;
    if (request.command == CliCommand::Ports)
        return ListPorts(request);
    if (request.command == CliCommand::CheckFirmware)
        return CheckFirmwareCommand(request);
#ifdef PRINTER_CLI_LOGO
    // A logo is the download of the image its pictures make.
    ScratchFile scratch;
    if (request.command == CliCommand::Logo && !PrepareLogoDownload(request, scratch))
        return kExitUsage;
#endif
    TransferInput input;
    const bool transfer =
        request.command == CliCommand::Download || request.command == CliCommand::Firmware;
    if (transfer && !LoadTransferInput(request, input))
        return kExitUsage;
    if (transfer && request.dryRun) {
        PrintTransferPlan(request, input);
        return 0;
    }
    return RunJob(request, input, DefaultLogFolder(ExecutableFolder(argv[0])));
}
