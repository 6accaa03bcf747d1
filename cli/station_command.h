// printer-cli station: the production station with printer-cli as its face.
//   station RECIPE [--slots DIR (Linux) | --port P ...] [--ledger FILE] [--station NAME]
//                  [--order WORK-ORDER] [--operator NAME] [--json]
//   station --check RECIPE
//   station report --ledger FILE [--csv | --json] [--summary] [--since TIME]
#pragma once

#include <CLI/CLI.hpp>
#include <atomic>
#include <string>

#include "cli_request.h"

// Exit status when the ledger cannot be used (its name locked by another
// station, a network file system, a range that overlaps another recipe's).
inline constexpr int kExitLedger = 1;

struct StationOptions {
    // Only while parsing: the parser owns them and is gone when the command runs.
    CLI::App* command = nullptr;
    CLI::App* report = nullptr;
    bool reportChosen = false;  // `station report`, noted while parsing
    std::string recipe;
    std::string slots = "/dev/serial/by-path";  // Linux; Windows has no slots folder
    std::string ledger;   // empty: the user's data folder
    std::string station;  // empty: the host name
    std::string order;
    std::string operatorName;
    std::string presence;  // "link" or "identify"; empty: link, identify with --port
    bool check = false;
    // Hidden: tests settle in milliseconds, not in the second real adapters need.
    int settleMs = 1000;
    int reenumerateMs = 2000;
    // report
    bool csv = false;
    bool json = false;
    bool summary = false;
    std::string since;
};

// The station until Ctrl-C; its exit status.
int RunStation(const StationOptions& options, const CliRequest& request,
               const std::atomic<bool>& interrupted);
// station --check: the recipe checked and its plan printed, nothing sent.
int CheckStationRecipe(const StationOptions& options, const CliRequest& request);
// station report.
int StationReport(const StationOptions& options);
