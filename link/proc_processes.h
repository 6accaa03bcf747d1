// The processes a /proc lists, by PID and name, and which of them are
// programs that take serial ports by themselves. Unix only: the port
// holders (port_holders_posix.cpp) and the machine's environment check
// (cli/unix_environment.h) both read them.
#pragma once

#include <string>
#include <vector>

struct ProcessEntry {
    int pid = 0;
    std::string name;    // its comm: the program's name, at most 15 bytes
    std::string folder;  // "/proc/612"
};

// Every process of `procRoot` ("/proc"), in PID order; none when there is
// no such folder. A process that ends while being read may have no name.
std::vector<ProcessEntry> ListProcesses(const std::string& procRoot);

// Whether the program opens new serial ports by itself: ModemManager
// probes each one for a modem with AT commands, brltty takes USB serial
// adapters (CH340, CP210x, FTDI among them) for Braille displays.
bool ProbesNewPorts(const std::string& name);
