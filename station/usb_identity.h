// The USB device behind a serial port, for a unit's record: which adapter
// (or printer) it was, whatever tty number it got. Read from sysfs on Linux
// (usb_identity_posix.cpp), from SetupAPI on Windows (usb_identity_win32.cpp,
// where `device` is the COM port).
#pragma once

#include <filesystem>
#include <string>

struct UsbIdentity {
    std::string id;      // "0403:6001"; empty when the port is not on USB
    std::string serial;  // the device's serial number string, when it has one
};

UsbIdentity UsbIdentityOf(const std::filesystem::path& device);
