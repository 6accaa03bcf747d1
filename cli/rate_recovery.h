// Finding a printer's rate and the way back to it: what -b auto tries, and
// the command that reaches a printer a stopped or failed transfer left at
// another rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli_request.h"

// The rates -b auto tries, in order: 9600, the transfer rate, then the
// other rates of the window's BAUD RATE list.
std::vector<int32_t> RatesToFind(int32_t transferRate);

// The call in `request.arguments` as a command line that talks to the
// printer of `port` at `rate`: any -b replaced, and with several ports only
// that one. Arguments with blanks or quotes are quoted for a shell.
std::string CommandAtRate(const CliRequest& request, const std::string& port, int32_t rate);
