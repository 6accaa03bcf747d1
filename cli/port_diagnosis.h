// What the system knows about a serial port before anything is sent: is it
// there, may this user open it, does another program hold it, is a USB
// adapter plugged in without a port, and how long its latency timer holds
// each reply. One file per OS (port_diagnosis_posix.cpp reads sysfs on
// Linux, port_diagnosis_win32.cpp asks SetupAPI and the registry).
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class PortAccess { Opens, Missing, InUse, Denied, NotSerial, Failed };

struct PortAccessCheck {
    PortAccess access = PortAccess::Failed;
    std::string detail;  // the system's words for a failure; the group on Denied
};

// Opens the port for reading and writing as the tool does, and closes it at
// once; nothing is sent and the line settings are not touched.
PortAccessCheck CheckPortAccess(const std::string& name);

// A USB serial adapter that is plugged in but has no port: its driver is
// missing or did not bind.
struct AdapterWithoutPort {
    std::string usbId;    // "1a86:7523"
    std::string problem;  // "no driver is bound to it", "problem code 28 (...)"
};

std::vector<AdapterWithoutPort> AdaptersWithoutPort();

// The latency timer of the port's USB adapter (FTDI), when it has one.
struct LatencyTimer {
    int ms = 0;
    std::string howToLower;  // what to run or where to click
};

std::optional<LatencyTimer> AdapterLatencyTimer(const std::string& name);

// One port's, for the list of every adapter's.
struct PortLatencyTimer {
    std::string port;  // "/dev/ttyUSB0", "COM5"
    LatencyTimer timer;
};

// The operating system and its version, for a report sent from the field.
std::string SystemDescription();

// The chip of a known USB serial adapter ("CH340"), empty when unknown.
std::string UsbSerialChip(const std::string& usbId);
