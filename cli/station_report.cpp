// printer-cli station report: the ledger, one row a unit.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "json_line.h"
#include "path_text.h"
#include "report.h"
#include "report_summary.h"
#include "sqlite_db.h"
#include "station_command.h"
#include "utc_time.h"

namespace {

nlohmann::json RowJson(const ReportRow& row) {
    nlohmann::json json;
    const std::vector<std::string> fields = ReportFields(row);
    const std::vector<std::string>& columns = ReportColumns();
    for (size_t i = 0; i < columns.size(); ++i)
        json[columns[i]] = fields[i];
    json["unit"] = row.unit;
    json["found_rate"] = row.foundRate ? nlohmann::json(*row.foundRate) : nlohmann::json();
    json["exit_code"] = row.exitCode ? nlohmann::json(*row.exitCode) : nlohmann::json();
    json["identity"] = row.identity;
    return json;
}

// For a person: the columns that say most, aligned.
void PrintTable(const std::vector<ReportRow>& rows) {
    std::vector<std::vector<std::string>> cells = {
        {"UNIT", "START", "STATION", "SLOT", "SERIAL", "RESULT", "STEP", "REASON"}};
    for (const ReportRow& row : rows)
        cells.push_back({std::to_string(row.unit), row.start, row.station, row.slot, row.serial,
                         row.result, row.step, row.reason});
    std::vector<size_t> widths(cells.front().size(), 0);
    for (const auto& line : cells) {
        for (size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());
    }
    for (const auto& line : cells) {
        std::string text;
        for (size_t c = 0; c < line.size(); ++c)
            text += line[c] +
                    (c + 1 < line.size() ? std::string(widths[c] - line[c].size() + 2, ' ') : "");
        text.erase(text.find_last_not_of(' ') + 1);
        std::cout << text << "\n";
    }
}

nlohmann::json SummaryJson(const ReportSummary& summary) {
    nlohmann::json failures = nlohmann::json::array();
    for (const FailureGroup& group : summary.failures)
        failures.push_back({{"step", group.step},
                            {"reason", group.reason},
                            {"count", group.units.size()},
                            {"units", group.units}});
    nlohmann::json serials = nlohmann::json::array();
    for (const SerialsUsed& used : summary.serials)
        serials.push_back({{"model", used.model},
                           {"lowest", used.lowest},
                           {"highest", used.highest},
                           {"given", used.given},
                           {"void", used.voids},
                           {"unknown", used.unknowns}});
    return {{"units", summary.units},
            {"passed", summary.passed},
            {"failed", summary.failed},
            {"void", summary.voided},
            {"unknown", summary.unknown},
            {"failures", failures},
            {"serials", serials},
            {"first_start", summary.firstStart},
            {"last_end", summary.lastEnd},
            {"units_per_hour",
             summary.unitsPerHour ? nlohmann::json(*summary.unitsPerHour) : nlohmann::json()},
            {"no_rate", summary.noRate}};
}

// "unit 7", "units 7, 19, 23, 31, 40 and 12 more".
std::string UnitList(const std::vector<int64_t>& units) {
    constexpr size_t kShown = 5;
    std::string text = units.size() == 1 ? "unit " : "units ";
    for (size_t i = 0; i < units.size() && i < kShown; ++i)
        text += (i > 0 ? ", " : "") + std::to_string(units[i]);
    if (units.size() > kShown)
        text += " and " + std::to_string(units.size() - kShown) + " more";
    return text;
}

std::string SerialList(const std::vector<std::string>& serials) {
    std::string text;
    for (const std::string& serial : serials)
        text += (text.empty() ? "" : ", ") + serial;
    return text.empty() ? "none" : text;
}

void PrintSummary(const ReportSummary& summary) {
    const std::string indent(16, ' ');
    std::cout << "units           " << summary.units << ": " << summary.passed << " passed, "
              << summary.failed << " failed, " << summary.voided << " void, " << summary.unknown
              << " unknown\n";
    std::cout << "failures        " << (summary.failures.empty() ? "none\n" : "");
    for (size_t i = 0; i < summary.failures.size(); ++i) {
        const FailureGroup& group = summary.failures[i];
        char count[16];
        std::snprintf(count, sizeof count, "%4zu  ", group.units.size());
        std::cout << (i > 0 ? indent : "") << count << (group.step.empty() ? "" : group.step + ": ")
                  << group.reason << " (" << UnitList(group.units) << ")\n";
    }
    std::cout << "serials         " << (summary.serials.empty() ? "none given\n" : "");
    for (size_t i = 0; i < summary.serials.size(); ++i) {
        const SerialsUsed& used = summary.serials[i];
        std::cout << (i > 0 ? indent : "") << used.model << ": " << used.lowest << " to "
                  << used.highest << ", " << used.given
                  << " given; void: " << SerialList(used.voids)
                  << "; unknown: " << SerialList(used.unknowns) << "\n";
    }
    std::cout << "units per hour  ";
    if (summary.unitsPerHour) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1f", *summary.unitsPerHour);
        std::cout << rate << ", from " << summary.firstStart << " to " << summary.lastEnd << "\n";
    } else {
        std::cout << summary.noRate << "\n";
    }
}

}  // namespace

int StationReport(const StationOptions& options) {
    std::string since;
    if (!options.since.empty()) {
        const auto parsed = ParseUtcText(options.since);
        if (!parsed) {
            std::cerr << "printer-cli: --since: '" << options.since
                      << "' is not a time (2024-05-01, 2024-05-01T09:30)\n";
            return kExitUsage;
        }
        since = *parsed;
    }
    Report report;
    try {
        report = ReadReport(PathFromUtf8(options.ledger), since);
    } catch (const LedgerError& error) {
        std::cerr << "printer-cli: station report: " << error.what() << "\n";
        return kExitLedger;
    }
    if (options.summary) {
        const ReportSummary summary = SummarizeReport(report.rows);
        if (options.json)
            std::cout << JsonLine(SummaryJson(summary)) << "\n";
        else
            PrintSummary(summary);
    } else if (options.csv) {
        std::cout << CsvRecord(ReportColumns());
        for (const ReportRow& row : report.rows)
            std::cout << CsvRecord(ReportFields(row));
    } else if (options.json) {
        for (const ReportRow& row : report.rows)
            std::cout << JsonLine(RowJson(row)) << "\n";
    } else {
        PrintTable(report.rows);
    }
    std::cout << std::flush;
    if (report.inProgress > 0)
        std::cerr << "printer-cli: " << report.inProgress
                  << " unit(s) still running at a station are not listed\n";
    return 0;
}
