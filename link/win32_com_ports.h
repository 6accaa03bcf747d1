// The COM ports a Windows machine has, for the port lists and the station's
// slots: each device of the Ports class that has a port name, then each name
// the serial drivers registered under HARDWARE\DEVICEMAP\SERIALCOMM that no
// device showed (some virtual port drivers register only there, as Wine does).
#pragma once

#include <string>
#include <vector>

struct ComPort {
    std::string name;         // "COM7"
    std::string description;  // the friendly name without " (COM7)"; may be empty
    std::string usbId;        // "0403:6001"; empty when not on USB
    std::string usbSerial;    // the USB device's serial number; empty when it has none
    // Where it is plugged in ("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)"): the
    // first location path of the port's device or of the nearest parent that
    // has one. It stays when the port comes back under another COM number.
    // Empty when the system knows none (a name known only from SERIALCOMM).
    std::string location;
};

// In name order, COM2 before COM10.
std::vector<ComPort> ListComPorts();

// Windows' device names ignore case: "com7" is COM7.
bool SameComName(const std::string& a, const std::string& b);
// "COM7": a COM port's name, which may come and go with its device.
bool IsComName(const std::string& name);
