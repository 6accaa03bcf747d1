// What to do about a failure, in the same words wherever it is said: in
// printer-cli doctor's checks and in the window's ERROR box.
#pragma once

#include <string>
#include <vector>

#include "identify_probe.h"
#include "port_holders.h"

// After a probe of the port: the rate to pick, what to check on the line,
// or which device is there instead. Empty when the printer answered at the
// rate asked for.
std::string ProbeAdvice(const ProbeResult& probe, uint32_t askedRate, RateAdvice advice);

// Other programs hold the port: close them, or end them by PID.
std::string HoldersAdvice(const std::vector<PortHolder>& holders);

// A port that does not open.
inline constexpr const char* kPortOpenAdvice =
    "check the port's name and that the adapter is plugged in; close any other program that "
    "uses the port (a terminal, another printer tool, a modem manager), then try again";

// A device that answers but is not a supported printer.
inline constexpr const char* kForeignDeviceAdvice =
    "this port leads to another device: find the printer's port";
