// printer-cli: the printer jobs of the window, from the command line, on one
// port or on several at once.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli_request.h"
#include "cli_transfer.h"
#ifdef PRINTER_CLI_LOGO
#include "cli_logo.h"
#endif
#include "default_log_folder.h"
#include "doctor_command.h"
#include "interrupts.h"
#include "json_line.h"
#include "path_text.h"
#include "port_job.h"
#include "port_list.h"
#include "port_plan.h"
#include "port_run.h"
#include "port_selection.h"
#include "program.h"

namespace {

int ListPorts(const CliRequest& request) {
    for (const PortInfo& port : AvailablePorts()) {
        if (request.json) {
            std::cout << JsonLine(nlohmann::json{{"port", port.name},
                                                 {"description", port.description},
                                                 {"usb", port.usbId}})
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

// Ctrl-C or SIGTERM during a job: the first asks every job to stop after
// the block in flight (the ports are closed and the logs written), the
// second ends the program at once.
std::atomic<bool> g_interrupted{false};

void OnInterrupt() {
    if (g_interrupted.exchange(true)) {
        RestoreConsole();
        std::_Exit(kExitInterrupted);
    }
}

// The ports asked for, or the one USB serial port there is; nothing with
// the reason in `error`.
std::optional<std::vector<std::string>> PortsToUse(const CliRequest& request, std::string& error) {
    // The machine's ports are only looked at when they are needed.
    const bool look = request.ports.empty() || !request.match.empty();
    const PortChoice choice = ChoosePorts(request.ports, request.match,
                                          look ? AvailablePorts() : std::vector<PortInfo>{});
    if (!choice.error.empty()) {
        error = choice.error;
        return std::nullopt;
    }
    if (!choice.note.empty() && !request.quiet)
        std::cerr << "printer-cli: " << choice.note << "\n";
    return choice.ports;
}

}  // namespace

int main(int argc, char** argv) {
    UseUtf8Console();
    IgnoreBrokenPipes();
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const CliParse parsed = ParseCommandLine(static_cast<int>(arguments.size()), pointers.data());
    if (!parsed.request)
        return parsed.exitCode;
    CliRequest request = *parsed.request;
    if (parsed.run) {
        CatchInterrupts(OnInterrupt);
        return parsed.run(request, g_interrupted);
    }
    if (request.command == CliCommand::Ports)
        return ListPorts(request);
    if (request.command == CliCommand::Doctor)
        return DoctorCommand(request);
    if (request.command == CliCommand::CheckFirmware)
        return CheckFirmwareCommand(request);
    std::string error;
#ifdef PRINTER_CLI_LOGO
    // A logo is the download of the image its pictures make.
    ScratchFile scratch;
    if (request.command == CliCommand::Logo && !PrepareLogoDownload(request, scratch, error))
        return BadInput(request, error);
#endif
    TransferInput input;
    const bool transfer =
        request.command == CliCommand::Download || request.command == CliCommand::Firmware;
    if (transfer && !LoadTransferInput(request, input, error))
        return BadInput(request, error);
    if (transfer && request.dryRun) {
        PrintTransferPlan(request, input);
        return 0;
    }
    const auto ports = PortsToUse(request, error);
    if (!ports)
        return BadInput(request, error);
    const std::filesystem::path exeFolder = DefaultLogFolder(ExecutableFolder(argv[0]));
    const PortPlan plan = PlanPorts(request, *ports, exeFolder);
    if (!plan.error.empty())
        return BadInput(request, plan.error);
    std::error_code ec;
    if (!plan.logFolder.empty() && !std::filesystem::is_directory(plan.logFolder, ec) &&
        !std::filesystem::create_directories(plan.logFolder, ec)) {
        return BadInput(request, "--log: the folder " + PathText(plan.logFolder) +
                                     " could not be made: " + ec.message());
    }
    CatchInterrupts(OnInterrupt);
    if (plan.requests.size() == 1)
        return RunOnePort(plan.requests.front(), input, exeFolder, g_interrupted);
    return RunPorts(plan.requests, input, exeFolder, g_interrupted);
}
