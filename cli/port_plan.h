// One request per port: the call's request with the port's name, its own
// debug log and, for factory --step, its own serial number.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_request.h"

struct PortPlan {
    std::vector<CliRequest> requests;  // in port order; empty after an error
    std::string error;                 // a usage error: nothing is sent
    std::filesystem::path logFolder;   // to create before the jobs start; empty: none
};

// `count` serial numbers from `first` on, each the "+" step of the one
// before (so "007" is followed by "8"); nothing when `first` is not a number
// and more than one is needed.
std::optional<std::vector<std::string>> SteppedSerials(const std::string& first, size_t count);

// The debug logs: one port keeps --log as a file (or the default
// "debug.log"); several ports, or --log naming a folder, get one file per
// port named after it: "ttyUSB0.log" in the --log folder, or
// "debug-ttyUSB0.log" in `defaultLogFolder`.
PortPlan PlanPorts(const CliRequest& request, const std::vector<std::string>& ports,
                   const std::filesystem::path& defaultLogFolder);
