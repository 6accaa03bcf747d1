#include "port_holders.h"

// Windows opens a serial port for one program at a time: a holder makes the
// tool's own open fail ("access denied"), which says so already.
PortHolders FindPortHolders(const std::string&, const std::string&) {
    return {};
}
