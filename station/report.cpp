#include "report.h"

#include <map>

#include "ledger.h"
#include "path_text.h"

namespace {

namespace fs = std::filesystem;

struct ResultOf {
    const char* result;
    const char* reasonIfLost;  // for an open row of a station that is gone
};

// Each state's word in the report.
const std::map<std::string, ResultOf> kResults = {
    {"passed", {"pass", nullptr}},
    {"failed", {"fail", nullptr}},
    {"void", {"void", nullptr}},
    {"unknown", {"unknown", nullptr}},
    {"allocated", {"void", "the station ended before the serial was sent (not restarted yet)"}},
    {"writing",
     {"unknown",
      "the station ended while the serial was being written: the printer may hold it "
      "(not restarted yet)"}},
    {"written",
     {"unknown", "the station ended after the printer took the serial (not restarted yet)"}},
    {"running", {"fail", "the station ended during the unit (not restarted yet)"}},
};

std::string OptionalText(const std::optional<int64_t>& value) {
    return value ? std::to_string(*value) : "";
}

}  // namespace

Report ReadReport(const fs::path& ledger, const std::string& since) {
    std::error_code ec;
    if (!fs::is_regular_file(ledger, ec))
        throw LedgerError("the ledger " + PathText(ledger) + " does not exist");
    SqliteDb db(PathText(ledger), SqliteDb::Mode::ReadOnly, kLedgerBusyTimeoutMs);
    Statement rows(db,
                   "SELECT unit, station, work_order, operator, slot, port, usb_id, usb_serial, "
                   "found_rate, started, ended, serial, state, step, reason, exit_code, "
                   "recipe_sha256, log, identity, range_id, model, number FROM units "
                   "WHERE started >= ?1 ORDER BY unit");
    rows.Bind(1, since);
    Report report;
    std::map<std::string, bool> live;  // station -> its process runs
    while (rows.Step()) {
        ReportRow row;
        row.unit = rows.Integer(0);
        row.station = rows.Text(1);
        row.order = rows.Text(2);
        row.operatorName = rows.Text(3);
        row.slot = rows.Text(4);
        row.port = rows.Text(5);
        row.usbId = rows.Text(6);
        row.usbSerial = rows.Text(7);
        row.foundRate = rows.OptionalInteger(8);
        row.start = rows.Text(9);
        row.end = rows.Text(10);
        row.serial = rows.Text(11);
        const std::string state = rows.Text(12);
        row.step = rows.Text(13);
        row.reason = rows.Text(14);
        row.exitCode = rows.OptionalInteger(15);
        row.recipeSha256 = rows.Text(16);
        row.log = rows.Text(17);
        row.identity = rows.Text(18);
        row.rangeId = rows.OptionalInteger(19);
        row.model = rows.Text(20);
        row.number = rows.OptionalInteger(21);
        const auto found = kResults.find(state);
        if (found == kResults.end())
            throw LedgerError("unit " + std::to_string(row.unit) + " has the unknown state '" +
                              state + "'");
        if (found->second.reasonIfLost) {
            if (!live.contains(row.station))
                live[row.station] = LockHeldElsewhere(StationLockPath(ledger, row.station));
            if (live[row.station]) {
                ++report.inProgress;
                continue;
            }
            row.reason = found->second.reasonIfLost;
        }
        row.result = found->second.result;
        report.rows.push_back(std::move(row));
    }
    return report;
}

const std::vector<std::string>& ReportColumns() {
    static const std::vector<std::string> columns = {
        "unit",   "station",    "order",      "operator",  "slot",          "port",
        "usb_id", "usb_serial", "found_rate", "start",     "end",           "serial",
        "result", "step",       "reason",     "exit_code", "recipe_sha256", "log"};
    return columns;
}

std::vector<std::string> ReportFields(const ReportRow& row) {
    return {std::to_string(row.unit),
            row.station,
            row.order,
            row.operatorName,
            row.slot,
            row.port,
            row.usbId,
            row.usbSerial,
            OptionalText(row.foundRate),
            row.start,
            row.end,
            row.serial,
            row.result,
            row.step,
            row.reason,
            OptionalText(row.exitCode),
            row.recipeSha256,
            row.log};
}

std::string CsvRecord(const std::vector<std::string>& fields) {
    std::string record;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if (i > 0)
            record += ',';
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            record += field;
            continue;
        }
        record += '"';
        for (const char c : field) {
            if (c == '"')
                record += '"';
            record += c;
        }
        record += '"';
    }
    return record + "\r\n";
}
