// What a slots folder holds now: each link that leads to a device, named by
// the link. udev keeps such a folder (/dev/serial/by-path) with one link per
// physical USB port, which stays the same when the tty number changes.
#pragma once

#include <filesystem>
#include <map>
#include <string>

struct SlotLink {
    std::filesystem::path link;    // the path to open
    std::filesystem::path device;  // where it leads: "/dev/ttyUSB0"
};

// Slot name -> its link. A missing folder is an empty one (udev removes it
// with the last device); hidden names (a link being renamed into place) and
// links that lead nowhere are left out. Links to one device are one slot,
// named by the first of them in name order.
using SlotScan = std::map<std::string, SlotLink>;
SlotScan ScanSlotFolder(const std::filesystem::path& folder);
