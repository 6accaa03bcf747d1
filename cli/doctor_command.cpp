#include "doctor_command.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <iostream>
#include <nlohmann/json.hpp>

#include "error_codes.h"
#include "my_uart.h"
#include "port_diagnosis.h"
#include "port_list.h"
#include "serial_environment.h"

namespace {

const char* VerdictWord(ProbeVerdict verdict) {
    switch (verdict) {
        case ProbeVerdict::Answers:
            return "answers";
        case ProbeVerdict::ForeignIdentity:
            return "foreign identity";
        case ProbeVerdict::Garbage:
            return "bytes, no valid frame";
        case ProbeVerdict::Silence:
            return "nothing";
        case ProbeVerdict::PortFailed:
            break;
    }
    return "port failed";
}

// Texts from the system may not be valid UTF-8: replaced, never thrown.
std::string OrderedJsonLine(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::ordered_json ChecksJson(const std::vector<DoctorCheck>& found) {
    nlohmann::ordered_json checks = nlohmann::ordered_json::array();
    for (const DoctorCheck& check : found) {
        checks.push_back({{"check", check.check},
                          {"status", CheckStatusWord(check.status)},
                          {"reason", check.reason},
                          {"action", check.action}});
    }
    return checks;
}

nlohmann::ordered_json ReportJson(const DoctorReport& report, const std::string& system) {
    const nlohmann::ordered_json checks = ChecksJson(report.checks);
    nlohmann::ordered_json rates = nlohmann::ordered_json::array();
    for (const RateFinding& finding : report.probe.rates) {
        rates.push_back({{"rate", finding.rate},
                         {"result", VerdictWord(finding.verdict)},
                         {"bytes", finding.bytesReceived}});
    }
    return {{"event", "doctor"},   {"port", report.port}, {"ok", report.code == kErrorNone},
            {"code", report.code}, {"system", system},    {"checks", checks},
            {"rates", rates}};
}

// Whether doctor checked the latency timer of `port` itself.
bool LatencyCheckedOn(const std::vector<DoctorReport>& reports, const std::string& port) {
    return std::any_of(reports.begin(), reports.end(), [&](const DoctorReport& report) {
        const bool samePort = report.port == port || TMyUart::DevicePath(report.port) == port;
        return samePort &&
               std::any_of(report.checks.begin(), report.checks.end(),
                           [](const DoctorCheck& check) { return check.check == "latency"; });
    });
}

// The machine's warnings as doctor's lines, under the name "this machine";
// a port's own latency line already says what its adapter's would.
DoctorReport EnvironmentReport(const std::vector<DoctorReport>& reports) {
    DoctorReport machine;
    machine.port = "this machine";
    for (const EnvironmentWarning& warning : SerialEnvironmentWarnings()) {
        if (warning.port.empty() || !LatencyCheckedOn(reports, warning.port))
            machine.checks.push_back(
                {warning.check, CheckStatus::Warning, warning.reason, warning.action});
    }
    return machine;
}

void PrintReport(const DoctorReport& report) {
    std::cout << report.port << "\n";
    for (const DoctorCheck& check : report.checks) {
        char head[40];
        std::snprintf(head, sizeof head, "  %-8s %-9s ", CheckStatusWord(check.status),
                      check.check.c_str());
        std::cout << head << check.reason << "\n";
        if (!check.action.empty())
            std::cout << std::string(21, ' ') << "to do: " << check.action << "\n";
    }
}

// Once, after the ports; warnings only, so the exit status stays the ports'.
void PrintEnvironment(const std::vector<DoctorReport>& reports, bool json,
                      const std::string& system) {
    const DoctorReport machine = EnvironmentReport(reports);
    if (json)
        std::cout << OrderedJsonLine({{"event", "environment"},
                                      {"system", system},
                                      {"checks", ChecksJson(machine.checks)}})
                  << std::endl;
    else if (!machine.checks.empty())
        PrintReport(machine);
}

}  // namespace

int DoctorExitStatus(const std::vector<DoctorReport>& reports, bool everyPort) {
    int first = kErrorNone;
    for (const DoctorReport& report : reports) {
        if (report.code == kErrorNone && everyPort)
            return kErrorNone;
        if (first == kErrorNone)
            first = report.code;
    }
    return first;
}

int DoctorCommand(const CliRequest& request) {
    std::vector<std::string> ports = request.ports;
    const bool everyPort = ports.empty();
    if (everyPort) {
        for (const PortInfo& port : AvailablePorts())
            ports.push_back(port.name);
    }
    const std::string system = SystemDescription();
    if (ports.empty()) {
        std::cerr << "printer-cli: doctor: this machine (" << system
                  << ") has no serial port; plug in the printer's adapter, or name a port "
                     "with -p\n";
        // brltty taking the adapter is one reason there is none.
        PrintEnvironment({}, request.json, system);
        return kErrorPortOpen;
    }
    // A rate that is no line rate starts the identify queries at the first of the list.
    const uint32_t rate = request.rate > 0 ? static_cast<uint32_t>(request.rate)
                                           : static_cast<uint32_t>(kLineRates[0]);
    // Each port takes seconds when nothing answers: all at once.
    std::vector<std::future<DoctorReport>> running;
    for (const std::string& port : ports) {
        running.push_back(
            std::async(std::launch::async, DiagnosePort, port, rate, request.endpoint));
    }
    std::vector<DoctorReport> reports;
    if (!request.json)
        std::cout << "printer-cli doctor on " << system << "\n";
    for (auto& report : running) {
        reports.push_back(report.get());
        if (request.json)
            std::cout << OrderedJsonLine(ReportJson(reports.back(), system)) << std::endl;
        else
            PrintReport(reports.back());
    }
    PrintEnvironment(reports, request.json, system);
    return DoctorExitStatus(reports, everyPort);
}
