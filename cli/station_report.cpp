// printer-cli station report: the ledger, one row a unit.
#include <algorithm>
#include <iostream>

#include "json_line.h"
#include "path_text.h"
#include "report.h"
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
    if (options.csv) {
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
