// The ports this machine has, for the port list, and how the list shows
// them.
#pragma once

#include <Qt>
#include <vector>

#include "window_logic.h"

class QComboBox;

// A list entry's hint (a port's description) is kept in this role.
inline constexpr int kHintRole = Qt::UserRole + 1;

// "COM1" to "COM9", "TCP/IP" for the datagram link, then the serial ports
// found on this machine with their descriptions.
std::vector<PortEntry> PortEntries();

// The drop-down shows each entry's hint beside its name, while the text taken
// is the name alone.
void ShowHintsBesideEntries(QComboBox* combo);
