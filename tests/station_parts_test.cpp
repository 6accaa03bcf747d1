// The station's small pure parts: digests that pin files, the CSV the
// report writes and its summary, the times it filters by, and how serials
// are spelled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report.h"
#include "report_summary.h"
#include "serial_range.h"
#include "sha256.h"
#include "utc_time.h"

namespace {

std::string Sha(const std::string& text) {
    return Sha256Hex(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(StationSha256, MatchesTheStandardsVectors) {
    EXPECT_EQ(Sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks: the padding spills into a second one.
    EXPECT_EQ(Sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(StationReportCsv, QuotesOnlyWhatRfc4180Asks) {
    struct Case {
        std::vector<std::string> fields;
        std::string record;
    };
    const Case cases[] = {
        {{"1", "bench", "", "x"}, "1,bench,,x\r\n"},
        {{"a,b"}, "\"a,b\"\r\n"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\"\r\n"},
        {{"two\nlines", "cr\r"}, "\"two\nlines\",\"cr\r\"\r\n"},
        {{""}, "\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CsvRecord(c.fields), c.record);
    EXPECT_EQ(CsvRecord(ReportColumns()),
              "unit,station,order,operator,slot,port,usb_id,usb_serial,found_rate,start,end,"
              "serial,result,step,reason,exit_code,recipe_sha256,log\r\n");
}

TEST(StationUtcTime, ReadsWhatAPersonTypesAsTheLedgersText) {
    struct Case {
        const char* given;
        const char* text;  // null: refused
    };
    const Case cases[] = {
        {"2024-05-01", "2024-05-01T00:00:00Z"},
        {"2024-05-01T09:30", "2024-05-01T09:30:00Z"},
        {"2024-05-01 09:30:15Z", "2024-05-01T09:30:15Z"},
        {"2024-02-30", nullptr},
        {"2024-05-01T25:00", nullptr},
        {"2024-05-01T09", nullptr},
        {"2024-05-01T09:30 extra", nullptr},
        {"yesterday", nullptr},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseUtcText(c.given);
        if (c.text)
            EXPECT_EQ(parsed.value_or("refused"), c.text) << c.given;
        else
            EXPECT_FALSE(parsed) << c.given;
    }
    const auto epoch = std::chrono::system_clock::time_point{};
    EXPECT_EQ(UtcText(epoch + std::chrono::hours(24 * 366)), "1971-01-02T00:00:00Z");
}

TEST(StationSerialRange, SpellsChecksAndComparesRanges) {
    const SerialRange range{"ZDV 7714", "ZD", 6, 1000, 1999};
    EXPECT_EQ(range.Text(1000), "ZD001000");
    EXPECT_EQ(range.Describe(), "ZD001000..ZD001999");
    EXPECT_EQ((SerialRange{"M", "", 0, 5, 7}.Text(7)), "7");

    struct Overlap {
        SerialRange other;
        bool overlaps;
    };
    const Overlap overlaps[] = {
        {{"ZDV 7714", "ZD", 6, 1999, 2500}, true},  {{"ZDV 7714", "ZD", 4, 0, 1000}, true},
        {{"ZDV 7714", "ZD", 6, 2000, 2500}, false}, {{"ZDV 77XX", "ZD", 6, 1000, 1999}, false},
        {{"ZDV 7714", "ZE", 6, 1000, 1999}, false},
    };
    for (const Overlap& o : overlaps)
        EXPECT_EQ(range.Overlaps(o.other), o.overlaps) << o.other.Describe();

    EXPECT_FALSE(SerialRangeProblem(range));
    EXPECT_TRUE(SerialRangeProblem({"M", "", 0, 10, 9}));
    EXPECT_TRUE(SerialRangeProblem({"M", "", 3, 1, 1000}));
    EXPECT_TRUE(SerialRangeProblem({"M", "", 0, -1, 9}));

    // 5% of 1000 is 50; a range of 10 still warns at its last number.
    EXPECT_TRUE(FewLeft(range, 50));
    EXPECT_FALSE(FewLeft(range, 51));
    EXPECT_TRUE(FewLeft({"M", "", 0, 1, 10}, 1));
    EXPECT_FALSE(FewLeft({"M", "", 0, 1, 10}, 2));
    // 18 digits: the share is worked out without overflowing.
    EXPECT_FALSE(FewLeft({"M", "", 0, 0, 999999999999999999}, 999999999999999990));
    EXPECT_TRUE(FewLeft({"M", "", 0, 0, 999999999999999999}, 50000000000000000));
}

// A unit of the report: its result, where and why it failed, its serial.
ReportRow Unit(int64_t unit, const char* result, const char* start, const char* end,
               const char* step = "", const char* reason = "", const char* serial = "",
               int64_t number = 0, int64_t range = 1, const char* model = "ZDV 7714") {
    ReportRow row;
    row.unit = unit;
    row.result = result;
    row.start = start;
    row.end = end;
    row.step = step;
    row.reason = reason;
    row.serial = serial;
    if (*serial != '\0') {
        row.number = number;
        row.rangeId = range;
        row.model = model;
    }
    return row;
}

TEST(StationReportSummary, GroupsFailuresByStepAndFaultAndFindsTheSerialsUsedAndThePace) {
    const std::vector<ReportRow> rows = {
        Unit(1, "pass", "2024-05-01T09:00:00Z", "2024-05-01T09:01:00Z", "", "", "ZD001000", 1000),
        // One fault of two units: only the block, address and port differ.
        Unit(2, "fail", "2024-05-01T09:02:00Z", "2024-05-01T09:03:00Z", "firmware",
             "no reply to block 12 of 256 at 0x003000 on /dev/ttyUSB3 at 115200 bit/s after 3 "
             "tries"),
        Unit(3, "fail", "2024-05-01T09:04:00Z", "2024-05-01T09:05:00Z", "firmware",
             "no reply to block 40 of 256 at 0x00a000 on /dev/ttyUSB1 at 115200 bit/s after 3 "
             "tries"),
        // A failed unit that was given a serial first.
        Unit(4, "fail", "2024-05-01T09:06:00Z", "2024-05-01T09:07:00Z", "factory",
             "unplugged during factory: the line hung up; the printer may hold serial ZD001001",
             "ZD001001", 1001),
        // A station killed and not restarted: no end.
        Unit(5, "void", "2024-05-01T09:08:00Z", "", "", "", "ZD001002", 1002),
        Unit(6, "unknown", "2024-05-01T09:09:00Z", "2024-05-01T09:10:00Z", "factory", "",
             "ZD001003", 1003),
        Unit(7, "fail", "2024-05-01T09:11:00Z", "2024-05-01T09:12:00Z", "identify",
             "the device on /dev/ttyUSB0 at 9600 bit/s answered 'MODEM 01', not a supported "
             "printer"),
        // The same words at another rate: another fault.
        Unit(8, "fail", "2024-05-01T09:13:00Z", "2024-05-01T09:14:00Z", "firmware",
             "no reply to block 12 of 256 at 0x003000 on /dev/ttyUSB3 at 230400 bit/s after 3 "
             "tries"),
        // Another range, given out of order by two stations: by number, not as text.
        Unit(9, "pass", "2024-05-01T09:15:00Z", "2024-05-01T10:00:00Z", "", "", "1000", 1000, 2,
             "ZDV 9000"),
        Unit(10, "pass", "2024-05-01T09:16:00Z", "2024-05-01T09:59:00Z", "", "", "999", 999, 2,
             "ZDV 9000"),
    };
    const ReportSummary summary = SummarizeReport(rows);
    EXPECT_EQ(summary.units, 10);
    EXPECT_EQ(summary.passed, 3);
    EXPECT_EQ(summary.failed, 5);
    EXPECT_EQ(summary.voided, 1);
    EXPECT_EQ(summary.unknown, 1);

    struct Group {
        std::string step;
        std::string reason;
        std::vector<int64_t> units;
    };
    const std::vector<Group> groups = {
        {"firmware", "no reply to block … of … at … on … at 115200 bit/s after … tries", {2, 3}},
        {"factory",
         "unplugged during factory: the line hung up; the printer may hold serial …",
         {4}},
        {"identify",
         "the device on … at 9600 bit/s answered 'MODEM …', not a supported printer",
         {7}},
        {"firmware", "no reply to block … of … at … on … at 230400 bit/s after … tries", {8}},
    };
    ASSERT_EQ(summary.failures.size(), groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(summary.failures[i].step, groups[i].step);
        EXPECT_EQ(summary.failures[i].reason, groups[i].reason);
        EXPECT_EQ(summary.failures[i].units, groups[i].units);
    }

    ASSERT_EQ(summary.serials.size(), 2u);
    const SerialsUsed& first = summary.serials[0];
    EXPECT_EQ(first.model, "ZDV 7714");
    EXPECT_EQ(first.lowest, "ZD001000");
    EXPECT_EQ(first.highest, "ZD001003");
    EXPECT_EQ(first.given, 4);
    EXPECT_EQ(first.voids, std::vector<std::string>{"ZD001002"});
    EXPECT_EQ(first.unknowns, std::vector<std::string>{"ZD001003"});
    const SerialsUsed& second = summary.serials[1];
    EXPECT_EQ(second.model, "ZDV 9000");
    EXPECT_EQ(second.lowest, "999");
    EXPECT_EQ(second.highest, "1000");
    EXPECT_EQ(second.given, 2);
    EXPECT_TRUE(second.voids.empty() && second.unknowns.empty());

    // Ten units from 09:00 to the last end at 10:00, the unit without one aside.
    EXPECT_EQ(summary.firstStart, "2024-05-01T09:00:00Z");
    EXPECT_EQ(summary.lastEnd, "2024-05-01T10:00:00Z");
    ASSERT_TRUE(summary.unitsPerHour);
    EXPECT_DOUBLE_EQ(*summary.unitsPerHour, 10.0);
    EXPECT_EQ(summary.noRate, "");
}

TEST(StationReportSummary, SaysWhenThereIsTooLittleToTellThePace) {
    struct Case {
        std::vector<ReportRow> rows;
        const char* noRate;  // null: a rate
    };
    const Case cases[] = {
        {{}, "too few units to tell"},
        {{Unit(1, "pass", "2024-05-01T09:00:00Z", "2024-05-01T09:30:00Z")},
         "too few units to tell"},
        {{Unit(1, "pass", "2024-05-01T09:00:00Z", "2024-05-01T09:00:20Z"),
          Unit(2, "pass", "2024-05-01T09:00:05Z", "2024-05-01T09:00:50Z")},
         "under a minute of work: too little to tell"},
        {{Unit(1, "pass", "2024-05-01T09:00:00Z", "2024-05-01T09:00:20Z"),
          Unit(2, "fail", "2024-05-01T09:00:05Z", "2024-05-01T09:01:00Z")},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.size());
        const ReportSummary summary = SummarizeReport(c.rows);
        EXPECT_EQ(summary.unitsPerHour.has_value(), c.noRate == nullptr);
        EXPECT_EQ(summary.noRate, c.noRate ? c.noRate : "");
    }
    // Two units in the one minute: 120 an hour.
    EXPECT_DOUBLE_EQ(SummarizeReport(cases[3].rows).unitsPerHour.value_or(0), 120.0);
}

}  // namespace
