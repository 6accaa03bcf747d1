// The serial ports of this machine, for "printer-cli ports".
#pragma once

#include <string>
#include <vector>

struct PortInfo {
    std::string name;         // what --port takes
    std::string description;  // may be empty
    std::string usbId;        // "0403:6001" when known
};

std::vector<PortInfo> AvailablePorts();
