// The command line of printer-sim, parsed into the printer's options and
// faults without touching the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim_faults.h"
#include "virtual_printer.h"

struct SimUdpAddress {
    std::string host;
    uint16_t port = 0;
};

struct SimCommandLine {
    SimOptions options;
    SimFaults faults;
    std::optional<std::string> linkPath;  // symlink to the pty's slave
    std::optional<SimUdpAddress> udp;     // serve UDP instead of a pty
    bool quiet = false;                   // no line per command on stderr
    bool help = false;
    bool version = false;
    // --make-firmware FILE SIZE: write a sample image and end.
    std::optional<std::string> makeFirmwarePath;
    uint32_t makeFirmwareSize = 0;
};

// `args` without the program name. False with `error` on the first wrong
// argument.
bool ParseSimCommandLine(const std::vector<std::string>& args, SimCommandLine& line,
                         std::string& error);
// One --fault value ("delay=500", "bad-header", ...) added to `faults`.
bool ParseSimFault(const std::string& faultText, SimFaults& faults, std::string& error);

std::string SimUsage();
