// The ledger read back, one row a unit: what `station report` prints, as
// RFC 4180 CSV or otherwise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct ReportRow {
    int64_t unit = 0;
    std::string station;
    std::string order;
    std::string operatorName;
    std::string slot;
    std::string port;
    std::string usbId;
    std::string usbSerial;
    std::optional<int64_t> foundRate;
    std::string start;
    std::string end;
    std::string serial;
    std::string result;  // pass, fail, void or unknown
    std::string step;
    std::string reason;
    std::optional<int64_t> exitCode;
    std::string recipeSha256;
    std::string log;
    std::string identity;
    // The serial's range, model and number in it; none before one was given.
    std::optional<int64_t> rangeId;
    std::string model;
    std::optional<int64_t> number;
};

struct Report {
    std::vector<ReportRow> rows;
    // Units still running at a live station, which have no result yet.
    int inProgress = 0;
};

// Opens the ledger read-only and reads every unit that started at `since`
// or later (the ledger's UTC text; empty: all), in the order they started.
// The open rows of a station that is no longer running are shown as its
// restart will turn them (void, unknown, fail). Throws LedgerError.
Report ReadReport(const std::filesystem::path& ledger, const std::string& since);

// The report's columns, in order, as the CSV header names them.
const std::vector<std::string>& ReportColumns();
// One row's fields in the order of ReportColumns(); an empty field is "".
std::vector<std::string> ReportFields(const ReportRow& row);
// One CSV record: fields with a comma, quote, CR or LF quoted, quotes
// doubled, ended by CR LF.
std::string CsvRecord(const std::vector<std::string>& fields);
