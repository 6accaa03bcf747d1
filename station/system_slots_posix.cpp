#include "path_text.h"
#include "system_slots.h"

SlotScan ScanSystemSlots(const std::filesystem::path& slotsFolder) {
    return ScanSlotFolder(slotsFolder);
}

std::string SystemSlotsText(const std::filesystem::path& slotsFolder) {
    return "slots in " + PathText(slotsFolder);
}

bool PortInSlot(const std::filesystem::path& port, const std::string&) {
    // The slot's link is the slot: where it exists, it leads to the unit.
    std::error_code ec;
    return port.is_relative() || std::filesystem::exists(port, ec);
}
