// printer-cli: the printer jobs of the window, from the command line.
#include <chrono>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli_observer.h"
#include "cli_request.h"
#include "comm_thread.h"
#include "port_list.h"

namespace {

// The folder of the running executable, where "debug.log" goes by default.
std::string ExecutableFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0, ec);
    return self.parent_path().string();
}

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

int RunJob(const CliRequest& request, const std::string& exeFolder) {
    CliObserver observer(request, exeFolder);
    TCommThread worker(observer);
    uint8_t job = kJobIdentify;
    if (request.command == CliCommand::Setting) {
        worker.Payload() = request.payload;
        job = kJobSendSetting;
    }
    const auto started = std::chrono::steady_clock::now();
    worker.StartJob(job);
    worker.JobDoneEvent().Wait(24 * 3600 * 1000);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const int code = worker.ErrorCode();
    std::string message;
    if (code != kErrorNone) {
        message = worker.FailureReason();
    } else if (request.command == CliCommand::Identify) {
        message = "identified " + worker.Identity() + " on " + Where(request);
    } else {
        message = request.settingName + " written on " + Where(request);
    }
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
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const CliParse parsed = ParseCommandLine(argc, argv);
    if (!parsed.request)
        return parsed.exitCode;
    const CliRequest& request = *parsed.request;
    if (request.command == CliCommand::Ports)
        return ListPorts(request);
    return RunJob(request, ExecutableFolder(argv[0]));
}
