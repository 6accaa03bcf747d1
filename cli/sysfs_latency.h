// The latency timers of FTDI adapters as Linux shows them: the attribute
// latency_timer of each usb-serial device (ttyUSB0) in sysfs, which only
// FTDI's driver has.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "port_diagnosis.h"

// The latency timer of usb-serial device `tty` ("ttyUSB0") under `sysRoot`
// ("/sys"); nothing when it has none.
std::optional<LatencyTimer> SysfsLatencyTimer(const std::filesystem::path& sysRoot,
                                              const std::string& tty);

// Every usb-serial device's that has one, in name order, each as its port
// ("/dev/ttyUSB0").
std::vector<PortLatencyTimer> SysfsLatencyTimers(const std::filesystem::path& sysRoot);
