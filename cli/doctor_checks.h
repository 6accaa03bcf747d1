// printer-cli doctor: why a printer does not answer, found out step by step
// on one port with identify queries only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datagram_transport.h"
#include "identify_probe.h"

enum class CheckStatus { Ok, Warning, Failed };

struct DoctorCheck {
    std::string check;  // "port", "access", "latency", "identify"
    CheckStatus status = CheckStatus::Ok;
    std::string reason;  // what was found, in plain words
    std::string action;  // what to do; empty when nothing
};

struct DoctorReport {
    std::string port;
    // In the order they ran; after a failed port or access check, no more.
    std::vector<DoctorCheck> checks;
    ProbeResult probe;  // the identify queries; no rates when not reached
    int code = 0;       // the job error code of the failed check; 0 when none
};

// The checks, in order: the port is there (or why not: a USB adapter
// without its driver), this user may open it and no one else holds it,
// identify at `rate` and then at each other rate of kLineRates until
// something answers, and the adapter's latency timer. The port "TCP/IP"
// gets one identify at `endpoint`.
DoctorReport DiagnosePort(const std::string& port, uint32_t rate, const DatagramEndpoint& endpoint);

// "ok", "warning", "failed".
const char* CheckStatusWord(CheckStatus status);
