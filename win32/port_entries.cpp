#include "port_entries.h"

#include "port_list.h"
#include "port_list_order.h"

std::vector<PortEntry> PortEntries() {
    std::vector<PortEntry> found;
    for (const PortInfo& port : AvailablePorts())
        found.push_back({port.name, port.description});
    return OrderPortEntries(found, true);
}
