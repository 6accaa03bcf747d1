// The slots this system gives the station, and whether a unit's port is
// still in its slot. Linux (system_slots_posix.cpp): the links of a slots
// folder, udev's /dev/serial/by-path, one per physical USB port. Windows
// (system_slots_win32.cpp): a slot per COM port, named by where the port is
// plugged in (its location path), so a port that comes back under another
// COM number is the same slot; a port known only from the SERIALCOMM
// registry key (as under Wine) is named by its COM name.
#pragma once

#include <filesystem>
#include <string>

#include "slot_scan.h"

// The slots now. Windows has no slots folder and ignores `slotsFolder`.
SlotScan ScanSystemSlots(const std::filesystem::path& slotsFolder);
// Where they come from, in words: "slots in /dev/serial/by-path".
std::string SystemSlotsText(const std::filesystem::path& slotsFolder);

// Whether the port a unit runs on is there now and still in the unit's
// slot, so the unit may open it (between steps a unit waits for it while an
// adapter re-enumerates). A port with nothing behind it to wait for
// (TCP/IP) always is, and on Windows so is a port named with --port that no
// list of the system's shows. On Windows a unit keeps the COM name it
// started on: a port that came back under another number is not there for
// it, and the unit fails when the wait runs out; the slot's next unit takes
// the new number. Nor is its old name there for it once that name is
// another slot's.
bool PortInSlot(const std::filesystem::path& port, const std::string& slot);
