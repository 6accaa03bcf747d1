#include "port_plan.h"

#include <set>

#include "path_text.h"
#include "port_selection.h"
#include "printer_text.h"
#include "serial_step.h"

std::optional<std::vector<std::string>> SteppedSerials(const std::string& first, size_t count) {
    std::vector<std::string> serials;
    if (count == 0)
        return serials;
    serials.push_back(first);
    while (serials.size() < count) {
        auto next = StepSerialNumber(serials.back());
        if (!next)
            return std::nullopt;
        serials.push_back(std::move(*next));
    }
    return serials;
}

PortPlan PlanPorts(const CliRequest& request, const std::vector<std::string>& ports,
                   const std::filesystem::path& defaultLogFolder) {
    namespace fs = std::filesystem;
    PortPlan plan;
    std::error_code ec;
    const fs::path logPath = PathFromUtf8(request.logPath);
    const bool logIsFolder = !logPath.empty() && fs::is_directory(logPath, ec);
    const bool perPortLogs = ports.size() > 1 || logIsFolder;
    if (ports.size() > 1 && !logPath.empty() && fs::exists(logPath, ec) && !logIsFolder) {
        plan.error = "--log: " + request.logPath + " is a file; several ports need a folder";
        return plan;
    }
    if (perPortLogs && !logPath.empty())
        plan.logFolder = logPath;

    std::vector<std::string> serials;
    if (request.factory) {
        auto stepped = request.stepSerial
                           ? SteppedSerials(request.factory->serialNo, ports.size())
                           : std::optional<std::vector<std::string>>(
                                 std::vector<std::string>(ports.size(), request.factory->serialNo));
        if (!stepped) {
            plan.error =
                "--step: the serial number '" + request.factory->serialNo + "' is not a number";
            return plan;
        }
        serials = std::move(*stepped);
    }

    std::set<std::string> logNames;
    for (size_t i = 0; i < ports.size(); ++i) {
        CliRequest one = request;
        one.port = ports[i];
        one.ports = {ports[i]};
        if (perPortLogs) {
            const std::string name = PortFileName(ports[i]);
            if (!logNames.insert(name).second) {
                plan.error = "two ports would share the debug log " + name + ".log";
                return plan;
            }
            one.logPath = logPath.empty() ? PathText(defaultLogFolder / ("debug-" + name + ".log"))
                                          : PathText(logPath / NotADeviceName(name + ".log"));
        }
        if (request.factory) {
            one.factory->serialNo = serials[i];
            const PackResult packed = PackFactory(*one.factory);
            if (!packed.payload) {
                plan.error = "factory: " + ports[i] + ": " + packed.error;
                return plan;
            }
            one.payload = *packed.payload;
            for (WrittenValue& value : one.settingValues) {
                if (value.name == "serial")
                    value.value = std::string(TrimBlanks(serials[i]));
            }
        }
        plan.requests.push_back(std::move(one));
    }
    return plan;
}
