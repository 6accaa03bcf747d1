#include <map>

#include "path_text.h"
#include "system_slots.h"
#include "win32_com_ports.h"

namespace {

// The slot of each COM port, and the port that the jobs open.
SlotScan ComPortSlots() {
    const std::vector<ComPort> ports = ListComPorts();
    std::map<std::string, int> atLocation;
    for (const ComPort& port : ports) {
        if (!port.location.empty())
            ++atLocation[port.location];
    }
    SlotScan scan;
    for (const ComPort& port : ports) {
        std::string slot = port.location.empty() ? port.name : port.location;
        // Ports that share a location (a bus that numbers none of them) are
        // told apart by name rather than merged into one slot.
        if (!port.location.empty() && atLocation[port.location] > 1)
            slot += " (" + port.name + ")";
        scan.emplace(slot, SlotLink{port.name, port.name});
    }
    return scan;
}

}  // namespace

SlotScan ScanSystemSlots(const std::filesystem::path&) {
    return ComPortSlots();
}

std::string SystemSlotsText(const std::filesystem::path&) {
    return "a slot per COM port";
}

bool PortInSlot(const std::filesystem::path& port, const std::string& slot) {
    const std::string name = PathText(port);
    if (!IsComName(name))
        return true;  // TCP/IP
    // A port named with --port (polled by identify) is its own slot.
    const bool ownSlot = SameComName(slot, name);
    for (const auto& [at, link] : ComPortSlots()) {
        if (SameComName(PathText(link.link), name))
            return at == slot || ownSlot;
    }
    // A named port that no list shows (a driver that only makes the device
    // name, or Wine's dosdevices alone) is nothing to wait for: its polls
    // answered, and its job's open says what is wrong.
    return ownSlot;
}
