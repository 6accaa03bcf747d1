// The order of the port list, for every face: the ports the system has, with
// their descriptions, first; then, where the names are Windows', "COM1" to
// "COM9" that are not among them, as the list has always offered them; the
// datagram link last.
#pragma once

#include <vector>

#include "window_logic.h"

std::vector<PortEntry> OrderPortEntries(const std::vector<PortEntry>& found, bool offerComNames);
