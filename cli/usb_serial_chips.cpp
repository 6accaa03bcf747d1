#include <algorithm>
#include <iterator>

#include "port_diagnosis.h"

std::string UsbSerialChip(const std::string& usbId) {
    // By vendor and product; a vendor alone for makers of serial chips only.
    static const struct {
        const char* id;
        const char* chip;
    } kChips[] = {
        {"1a86:7523", "CH340"},  {"1a86:5523", "CH341"},    {"1a86:55d4", "CH9102"},
        {"067b:2303", "PL2303"}, {"067b:23a3", "PL2303GC"}, {"10c4:ea60", "CP210x"},
        {"10c4:ea70", "CP2105"}, {"0403:", "FTDI"},
    };
    const auto found = std::find_if(std::begin(kChips), std::end(kChips), [&](const auto& known) {
        return usbId.rfind(known.id, 0) == 0;
    });
    return found == std::end(kChips) ? std::string() : found->chip;
}
