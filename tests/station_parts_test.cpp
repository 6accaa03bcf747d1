// The station's small pure parts: digests that pin files, the CSV the
// report writes, the times it filters by, and how serials are spelled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report.h"
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

}  // namespace
