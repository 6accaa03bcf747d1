// The report in a few lines: how many units passed and failed, why they
// failed (most frequent first), which serials were used, and how many
// units an hour the line made. What `station report --summary` prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report.h"

// The units that failed in one step for one reason.
struct FailureGroup {
    std::string step;
    // The reason with what differs from unit to unit (numbers, ports,
    // serials, addresses: each word with a digit, but a rate) as "…".
    std::string reason;
    std::vector<int64_t> units;  // in the report's order
};

// The serials of one range the units were given.
struct SerialsUsed {
    std::string model;
    std::string lowest;  // by number
    std::string highest;
    int64_t given = 0;                  // units with a serial of this range
    std::vector<std::string> voids;     // given, never sent: no printer holds them
    std::vector<std::string> unknowns;  // a printer may hold them
};

struct ReportSummary {
    int64_t units = 0;
    int64_t passed = 0;
    int64_t failed = 0;
    int64_t voided = 0;
    int64_t unknown = 0;
    std::vector<FailureGroup> failures;  // the largest first; ties by their first unit
    std::vector<SerialsUsed> serials;    // by range, in the order first used
    std::string firstStart;              // the first unit's start, "" when none
    std::string lastEnd;                 // the last end of any unit, "" when none
    std::optional<double> unitsPerHour;  // from firstStart to lastEnd
    std::string noRate;                  // why there is no rate, when there is none
};

// The summary of the report's rows.
ReportSummary SummarizeReport(const std::vector<ReportRow>& rows);
