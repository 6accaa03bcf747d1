// The options every printer command shares: which ports, at what rate, over
// which link, and how the result is shown.
#pragma once

#include "cli_command.h"

// Declares them on `app`; the reader fills the link part of the request.
CommandReader AddLinkOptions(CLI::App& app);
