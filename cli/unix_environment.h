// The environment check of a Linux machine (serial_environment.h) as a pure
// function of its files, so that a test can make up the machine.
#pragma once

#include <filesystem>
#include <vector>

#include "serial_environment.h"

// The warnings of the machine whose /proc, /sys, /etc and /dev lie under
// `root` ("/" for this one):
// - ModemManager or brltty runs (proc/PID/comm), unless the udev rule that
//   keeps ModemManager off the adapters is installed (etc/udev/rules.d);
// - this process (proc/self/status: its user, group and groups) may not open
//   the ports: those in dev (ttyUSB*, ttyACM*) by their owner, group and
//   mode, or with none plugged in, the group dialout (etc/group) that udev
//   gives new ones; root always may;
// - an FTDI adapter's latency timer is above 2 ms
//   (sys/bus/usb-serial/devices/*/latency_timer).
std::vector<EnvironmentWarning> UnixEnvironmentWarnings(const std::filesystem::path& root);
