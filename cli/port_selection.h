// Which serial ports a call runs on, chosen from the ports this machine has
// (as "printer-cli ports" lists them). Pure, so that it can be tried on any
// list of ports.
#pragma once

#include <string>
#include <vector>

#include "port_list.h"

struct PortChoice {
    std::vector<std::string> ports;  // in the order the jobs run; empty after an error
    std::string note;                // for stderr: which port was taken unasked
    std::string error;               // why there is no port, with the ports there are
};

// The ports given (in their order), then every available port whose USB id
// is `match` (in name order: ttyUSB2 before ttyUSB10). With neither, the one
// port that has a USB id; none or several of them is an error that lists
// the ports, since guessing would talk to the wrong device.
PortChoice ChoosePorts(const std::vector<std::string>& given, const std::string& match,
                       const std::vector<PortInfo>& available);

// A file name made of a port's name: "/dev/ttyUSB0" -> "ttyUSB0",
// "\\.\COM10" -> "COM10", "TCP/IP" -> "TCP_IP", "/tmp/tty1" -> "tmp_tty1".
std::string PortFileName(const std::string& port);

// `name` made safe as a file name on Windows, which opens the device for
// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 with any extension and in any case
// ("COM7.log" writes to COM7): "COM7.log" -> "port-COM7.log".
std::string NotADeviceName(const std::string& name);
