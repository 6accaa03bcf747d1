#include "doctor_checks.h"

#include "error_codes.h"
#include "failure_advice.h"
#include "my_uart.h"
#include "port_diagnosis.h"
#include "port_holders.h"
#include "printer_link.h"
#include "serial_environment.h"

namespace {

std::string RateList(const std::vector<RateFinding>& rates) {
    std::string text;
    for (const RateFinding& finding : rates)
        text += (text.empty() ? "" : ", ") + std::to_string(finding.rate);
    return text + " bit/s";
}

std::string AdapterName(const std::string& usbId) {
    const std::string chip = UsbSerialChip(usbId);
    return usbId + (chip.empty() ? "" : " (" + chip + ")");
}

void Add(DoctorReport& report, std::string check, CheckStatus status, std::string reason,
         std::string action = {}, int code = kErrorNone) {
    report.checks.push_back({std::move(check), status, std::move(reason), std::move(action)});
    if (status == CheckStatus::Failed && report.code == kErrorNone)
        report.code = code;
}

// The port is there; false (with the failed line) when it is not.
bool CheckPresent(DoctorReport& report, const PortAccessCheck& access) {
    if (access.access != PortAccess::Missing) {
        Add(report, "port", CheckStatus::Ok, report.port + " is there");
        return true;
    }
    std::string reason = report.port + " does not exist";
    std::string action =
        "check the name (printer-cli ports lists this machine's ports) and that the adapter is "
        "plugged in";
    for (const AdapterWithoutPort& adapter : AdaptersWithoutPort()) {
        reason += "; the USB serial adapter " + AdapterName(adapter.usbId) +
                  " is plugged in but has no port: " + adapter.problem;
        action = "install the driver of the adapter's chip, then unplug and plug it in again";
    }
    Add(report, "port", CheckStatus::Failed, reason, action, kErrorPortOpen);
    return false;
}

// Another program has the port open: it may read the printer's replies
// before the tool does, whether or not the tool's own open succeeds.
void HeldByOthers(DoctorReport& report, const PortHolders& found) {
    Add(report, "access", CheckStatus::Failed,
        "another program holds the port: " + PortHolderList(found.holders),
        HoldersAdvice(found.holders), kErrorPortOpen);
}

bool CheckAccess(DoctorReport& report, const PortAccessCheck& access) {
    const PortHolders found = FindPortHolders(TMyUart::DevicePath(report.port));
    if (!found.holders.empty() &&
        (access.access == PortAccess::Opens || access.access == PortAccess::InUse)) {
        HeldByOthers(report, found);
        return false;
    }
    const std::string unseen = UnreadableHoldersNote(found);
    switch (access.access) {
        case PortAccess::Opens:
            if (!found.suspects.empty()) {
                Add(report, "access", CheckStatus::Warning,
                    "opens for reading and writing; " + unseen,
                    "see whether it holds the port with sudo printer-cli doctor -p " + report.port +
                        "; if it does, stop it while you work (systemctl stop)");
            } else {
                Add(report, "access", CheckStatus::Ok,
                    "opens for reading and writing" + (unseen.empty() ? "" : "; " + unseen));
            }
            return true;
        case PortAccess::InUse:
            Add(report, "access", CheckStatus::Failed,
                "another program holds the port" + (unseen.empty() ? "" : "; " + unseen),
                "close the program that uses it (a terminal, another printer tool, a modem "
                "manager), then try again",
                kErrorPortOpen);
            return false;
        case PortAccess::Denied:
            Add(report, "access", CheckStatus::Failed, "this user may not open the port",
                JoinGroupAdvice(access.detail.empty() ? "dialout" : access.detail), kErrorPortOpen);
            return false;
        case PortAccess::NotSerial:
            Add(report, "access", CheckStatus::Failed, report.port + " is not a serial port",
                "name the printer's serial port", kErrorPortOpen);
            return false;
        case PortAccess::Missing:
        case PortAccess::Failed:
            break;
    }
    Add(report, "access", CheckStatus::Failed, "the port does not open: " + access.detail,
        "unplug and plug in the adapter, then try again", kErrorPortOpen);
    return false;
}

void CheckLatency(DoctorReport& report) {
    const auto timer = AdapterLatencyTimer(report.port);
    if (!timer)
        return;  // not an adapter with a latency timer
    const std::string ms = std::to_string(timer->ms) + " ms";
    if (timer->ms <= kLatencyTimerLimitMs) {
        Add(report, "latency", CheckStatus::Ok, "the adapter's latency timer is " + ms);
        return;
    }
    Add(report, "latency", CheckStatus::Warning,
        "the adapter's latency timer is " + ms + ", " + LatencyCost(timer->ms),
        "set it to 1 ms: " + timer->howToLower);
}

void CheckIdentify(DoctorReport& report, uint32_t rate) {
    report.probe = ProbeIdentify(report.port, ProbeRateOrder(rate));
    const ProbeResult& probe = report.probe;
    const std::string at = std::to_string(probe.rate) + " bit/s";
    switch (probe.verdict) {
        case ProbeVerdict::Answers: {
            std::string reason = probe.identity + " answers at " + at;
            std::string action = ProbeAdvice(probe, rate, RateAdvice::CommandLine);
            CheckStatus status = CheckStatus::Ok;
            if (probe.rate != rate) {
                status = CheckStatus::Warning;
                reason += ", not at " + std::to_string(rate) + " bit/s";
            }
            if (probe.strayBytes > 0) {
                status = CheckStatus::Warning;
                reason +=
                    "; " + std::to_string(probe.strayBytes) + " stray bytes came before the reply";
                action += std::string(action.empty() ? "" : "; ") +
                          "noise on the line: check the cable, its shield and ground";
            }
            Add(report, "identify", status, reason, action);
            return;
        }
        case ProbeVerdict::ForeignIdentity:
            Add(report, "identify", CheckStatus::Failed,
                "a device answers '" + probe.identity + "' at " + at + ", not a supported printer",
                ProbeAdvice(probe, rate, RateAdvice::CommandLine), kErrorIdentity);
            return;
        case ProbeVerdict::Garbage:
            Add(report, "identify", CheckStatus::Failed,
                "bytes arrive but no valid frame at any rate (" + RateList(probe.rates) + ")",
                ProbeAdvice(probe, rate, RateAdvice::CommandLine), kErrorNoReply);
            return;
        case ProbeVerdict::Silence:
            Add(report, "identify", CheckStatus::Failed,
                "nothing arrives at any rate (" + RateList(probe.rates) + ")",
                ProbeAdvice(probe, rate, RateAdvice::CommandLine), kErrorNoReply);
            return;
        case ProbeVerdict::PortFailed:
            Add(report, "identify", CheckStatus::Failed,
                "the port could not be opened: " + probe.portError,
                ProbeAdvice(probe, rate, RateAdvice::CommandLine), kErrorPortOpen);
            return;
    }
}

void CheckDatagram(DoctorReport& report, uint32_t rate, const DatagramEndpoint& endpoint) {
    PrinterLink link(nullptr);
    link.SetDatagramEndpoint(endpoint);
    const bool identified = link.OpenLink(kDatagramPortName, static_cast<int32_t>(rate));
    link.CloseLink();
    if (identified) {
        Add(report, "identify", CheckStatus::Ok,
            link.Identity() + " answers at " + endpoint.host + ":" + std::to_string(endpoint.port));
        return;
    }
    Add(report, "identify", CheckStatus::Failed, link.FailureReason(),
        "check --udp, the network and the printer's power", link.ErrorCode());
}

}  // namespace

const char* CheckStatusWord(CheckStatus status) {
    switch (status) {
        case CheckStatus::Ok:
            return "ok";
        case CheckStatus::Warning:
            return "warning";
        case CheckStatus::Failed:
            break;
    }
    return "failed";
}

DoctorReport DiagnosePort(const std::string& port, uint32_t rate,
                          const DatagramEndpoint& endpoint) {
    DoctorReport report;
    report.port = port;
    if (port == kDatagramPortName) {
        CheckDatagram(report, rate, endpoint);
        return report;
    }
    const PortAccessCheck access = CheckPortAccess(port);
    if (!CheckPresent(report, access) || !CheckAccess(report, access))
        return report;
    CheckIdentify(report, rate);
    // Sends nothing, and slows every transfer whatever the printer said.
    CheckLatency(report);
    return report;
}
