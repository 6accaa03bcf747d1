// A call on several ports: every port's job at once, one worker each, then
// a summary table of what each port did.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_request.h"
#include "cli_transfer.h"

struct SummaryRow {
    std::string port;
    std::string result;  // "OK", "error 1", "stopped"
    double seconds = 0;
    std::string serial;  // factory only
    std::string detail;  // why it failed; what identified
};

// Aligned columns: PORT, RESULT, TIME, SERIAL (when any row has one), DETAIL.
std::string SummaryTable(const std::vector<SummaryRow>& rows);

// Runs `requests` (one per port, in port order) in parallel. An interrupt
// stops every transfer after its block in flight. Exit status: 0 when every
// port succeeded, 130 after an interrupt, otherwise the code of the first
// port in order that failed.
int RunPorts(const std::vector<CliRequest>& requests, const TransferInput& input,
             const std::filesystem::path& exeFolder, const std::atomic<bool>& interrupted);
