// printer-cli's block transfers: the input read and checked before a port
// is opened, what a dry run shows, and how a finished transfer is described.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "block_transfer.h"
#include "cli_request.h"

struct TransferInput {
    std::vector<uint8_t> image;  // the firmware image (firmware only)
    TransferPlan plan;           // the blocks at the transfer rate
    std::string what;            // "font.bin (600 bytes, 3 blocks from 0x00000000, command 0x63)"
};

// Reads and checks the file of a download or firmware request; false after
// the reason was printed to stderr (bad input: exit 2, nothing sent).
bool LoadTransferInput(const CliRequest& request, TransferInput& input);

// What a dry run prints: the blocks, first and last address, bytes and the
// time they take on the line at the transfer rate.
void PrintTransferPlan(const CliRequest& request, const TransferInput& input);

// printer-cli check-firmware FILE: 0 when the image is valid, 2 when not
// (with the failing rule on stderr).
int CheckFirmwareCommand(const CliRequest& request);
