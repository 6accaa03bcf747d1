// The port list of the window on Windows.
#pragma once

#include <vector>

#include "window_logic.h"

// "COM1" to "COM9", which can always be typed as such, then "TCP/IP" for
// the datagram link, then the serial ports SetupAPI finds that are not
// among them, each with its friendly name.
std::vector<PortEntry> PortEntries();
