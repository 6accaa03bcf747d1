#include "port_list_order.h"

#include <algorithm>
#include <string>

#include "printer_link.h"

namespace {

// A port the system lists without a description still says it is real.
constexpr const char* kNoDescription = "(serial port)";

}  // namespace

std::vector<PortEntry> OrderPortEntries(const std::vector<PortEntry>& found, bool offerComNames) {
    std::vector<PortEntry> entries;
    const auto listed = [&entries](const std::string& name) {
        return std::any_of(entries.begin(), entries.end(),
                           [&name](const PortEntry& e) { return e.name == name; });
    };
    for (const PortEntry& port : found) {
        if (port.name.empty() || listed(port.name))
            continue;
        entries.push_back({port.name, port.description.empty() ? kNoDescription : port.description});
    }
    for (int n = 1; offerComNames && n <= 9; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (!listed(name))
            entries.push_back({name, {}});
    }
    if (!listed(kDatagramPortName))
        entries.push_back({kDatagramPortName, {}});
    return entries;
}
