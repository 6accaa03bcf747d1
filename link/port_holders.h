// Other programs that have a serial port open. The tool's own lock (flock)
// and exclusive mode (TIOCEXCL) only keep out programs that open the port
// later; one that had it open before, such as `cat` left running, reads the
// printer's replies unseen. On Linux they are found as fuser finds them:
// every /proc/PID/fd link that leads to the port's device. This process is
// never among them, nor one that holds the master of a pseudo-terminal
// port: that is the other end of the line (printer-sim). Elsewhere nothing
// is found (Windows opens a port for one program only, so a holder there
// makes the open fail).
#pragma once

#include <string>
#include <vector>

struct PortHolder {
    int pid = 0;
    std::string name;  // the program's name ("cat")

    bool operator==(const PortHolder&) const = default;
};

struct PortHolders {
    std::vector<PortHolder> holders;  // in PID order
    // Processes whose open files could not be read (other users' ones,
    // unless run as root): a holder among them does not show.
    int unreadable = 0;
    // Among those, programs that take serial ports by themselves:
    // ModemManager, brltty, gpsd, and a serial-getty on this port.
    std::vector<PortHolder> suspects;
};

// The holders of the device at `devicePath`; `procRoot` is where the
// processes are listed ("/proc").
PortHolders FindPortHolders(const std::string& devicePath, const std::string& procRoot = "/proc");

// "cat (PID 4242)", "cat (PID 4242) and minicom (PID 77)".
std::string PortHolderList(const std::vector<PortHolder>& holders);

// What could not be seen, for the end of a message: "31 processes of other
// users could not be checked; among them ModemManager (PID 612) runs, which
// takes serial ports". Empty when every process was read.
std::string UnreadableHoldersNote(const PortHolders& found);
