// What on this machine gets in the way of serial ports, also of the ones not
// plugged in yet (a station waits for new ones): programs that take new
// ports, a user who may not open them, adapters whose latency timer slows
// every transfer. Machine-wide, where doctor's checks are each about one
// port; doctor and the station print these as warnings. One file per OS
// (serial_environment_posix.cpp reads /proc, /sys, /etc and /dev,
// serial_environment_win32.cpp the registry).
#pragma once

#include <string>
#include <vector>

#include "port_diagnosis.h"

struct EnvironmentWarning {
    std::string check;   // "programs", "access", "latency"
    std::string reason;  // what is wrong, in plain words
    std::string action;  // what to do
    std::string port;    // the port it is about; empty for the machine's
};

// This machine's warnings; none when nothing is in the way.
std::vector<EnvironmentWarning> SerialEnvironmentWarnings();

// The udev rule shipped in data/udev/ for the USB serial adapters.
inline constexpr const char* kUdevRuleName = "60-printer-station.rules";

// A latency timer above this holds each reply long enough to slow transfers.
inline constexpr int kLatencyTimerLimitMs = 2;

// What a latency timer of `ms` costs: "every block waits for it: about 4.1 s
// more for 64 KiB".
std::string LatencyCost(int ms);

// A warning for each adapter whose latency timer is above the limit.
std::vector<EnvironmentWarning> LatencyWarnings(const std::vector<PortLatencyTimer>& timers);

// What to do for a user who is not in `group`: "add your user to the group
// 'dialout' (sudo usermod -aG dialout $USER) and log in again".
std::string JoinGroupAdvice(const std::string& group);
