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

// Reads and checks the file of a download or firmware request; false with
// the reason in `error` (bad input: exit 2, nothing sent).
bool LoadTransferInput(const CliRequest& request, TransferInput& input, std::string& error);

// Bad input found before any port was opened: the reason on stderr, or with
// --json a result object with code 2. Returns the exit status, 2.
int BadInput(const CliRequest& request, const std::string& reason);

// What a dry run prints: the blocks, first and last address, bytes and the
// time they take on the line at the transfer rate.
void PrintTransferPlan(const CliRequest& request, const TransferInput& input);

// printer-cli check-firmware FILE: 0 when the image is valid, 2 when not
// (with the failing rule on stderr).
int CheckFirmwareCommand(const CliRequest& request);
