// The serial ports of a Windows machine as Windows lists them
// (win32_com_ports.h): the Ports device class with friendly names and USB
// ids, then the names only the SERIALCOMM registry key has.
#include "port_list.h"
#include "win32_com_ports.h"

std::vector<PortInfo> AvailablePorts() {
    std::vector<PortInfo> ports;
    for (const ComPort& port : ListComPorts())
        ports.push_back({port.name, port.description, port.usbId});
    return ports;
}
