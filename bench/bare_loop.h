// The floor of a machine: the firmware update's exchanges driven by the
// least code that can drive them (one write per frame, blocking reads of the
// known reply length, no parsing, logging or progress). Run beside the tool
// against the same paced printer, it tells what the pseudo-terminal and the
// scheduler cost on their own, so that the tool's own share can be told
// apart from the machine's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The same commands as a firmware update of `image` from a port at
// `lineRate` switched to `transferRate`; false with `error` when the printer
// does not answer as it should.
bool RunBareFirmwareUpdate(const std::string& portName, uint32_t lineRate, uint32_t transferRate,
                           const std::vector<uint8_t>& image, std::string& error);
