#include "port_entries.h"

#include <algorithm>
#include <string>

#include "port_list.h"
#include "printer_link.h"

std::vector<PortEntry> PortEntries() {
    std::vector<PortEntry> entries;
    for (int n = 1; n <= 9; ++n)
        entries.push_back({"COM" + std::to_string(n), {}});
    entries.push_back({kDatagramPortName, {}});
    for (const PortInfo& port : AvailablePorts()) {
        const auto same = [&](const PortEntry& e) { return e.name == port.name; };
        const auto found = std::find_if(entries.begin(), entries.end(), same);
        const std::string description =
            port.description.empty() ? std::string("(serial port)") : port.description;
        if (found != entries.end())
            found->description = description;  // a fixed name that is really there
        else
            entries.push_back({port.name, description});
    }
    return entries;
}
