#include "report_summary.h"

#include <algorithm>
#include <chrono>
#include <sstream>

#include "utc_time.h"

namespace {

// Less than this from the first start to the last end says nothing of a
// line's pace.
constexpr auto kShortestSpan = std::chrono::minutes(1);

bool HasDigit(const std::string& word) {
    return std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "no reply to block 12 of 256 at 0x003000 on /dev/ttyUSB3 at 115200 bit/s
// after 3 tries" -> "no reply to block … of … at … on … at 115200 bit/s after
// … tries": the same fault of two units reads the same. Brackets, quotes and
// punctuation around a word stay.
std::string ReasonPattern(const std::string& reason) {
    std::istringstream in(reason);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    std::string pattern;
    for (size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        const bool rate = i + 1 < words.size() && words[i + 1].rfind("bit/s", 0) == 0;
        if (HasDigit(word) && !rate) {
            const size_t start = word.find_first_not_of("('\"[");
            const size_t end = word.find_last_not_of(")'\"],;:.");
            if (start != std::string::npos && end != std::string::npos && start <= end)
                word = word.substr(0, start) + "…" + word.substr(end + 1);
            else
                word = "…";
        }
        pattern += (pattern.empty() ? "" : " ") + word;
    }
    return pattern;
}

void AddFailure(std::vector<FailureGroup>& groups, const ReportRow& row) {
    const std::string reason = ReasonPattern(row.reason);
    const auto found = std::find_if(groups.begin(), groups.end(), [&](const FailureGroup& group) {
        return group.step == row.step && group.reason == reason;
    });
    if (found != groups.end())
        found->units.push_back(row.unit);
    else
        groups.push_back({row.step, reason, {row.unit}});
}

struct RangeUse {
    std::optional<int64_t> rangeId;
    SerialsUsed used;
    int64_t lowest = 0;
    int64_t highest = 0;
};

// The range of the row's serial, added when it is the first of its range.
RangeUse& RangeOf(std::vector<RangeUse>& ranges, const ReportRow& row) {
    for (RangeUse& range : ranges) {
        if (range.rangeId == row.rangeId)
            return range;
    }
    const int64_t number = row.number.value_or(0);
    ranges.push_back({row.rangeId, {row.model, row.serial, row.serial, 0, {}, {}}, number, number});
    return ranges.back();
}

void AddSerial(std::vector<RangeUse>& ranges, const ReportRow& row) {
    RangeUse& range = RangeOf(ranges, row);
    const int64_t number = row.number.value_or(0);
    ++range.used.given;
    if (number < range.lowest) {
        range.lowest = number;
        range.used.lowest = row.serial;
    }
    if (number > range.highest) {
        range.highest = number;
        range.used.highest = row.serial;
    }
    if (row.result == "void")
        range.used.voids.push_back(row.serial);
    else if (row.result == "unknown")
        range.used.unknowns.push_back(row.serial);
}

void AddRate(ReportSummary& summary) {
    const auto start = ParseUtcTime(summary.firstStart);
    const auto end = ParseUtcTime(summary.lastEnd);
    if (summary.units < 2 || !start || !end) {
        summary.noRate = "too few units to tell";
        return;
    }
    if (*end - *start < kShortestSpan) {
        summary.noRate = "under a minute of work: too little to tell";
        return;
    }
    const std::chrono::duration<double, std::ratio<3600>> hours = *end - *start;
    summary.unitsPerHour = static_cast<double>(summary.units) / hours.count();
}

}  // namespace

ReportSummary SummarizeReport(const std::vector<ReportRow>& rows) {
    ReportSummary summary;
    std::vector<RangeUse> ranges;
    for (const ReportRow& row : rows) {
        ++summary.units;
        if (row.result == "pass")
            ++summary.passed;
        else if (row.result == "fail")
            ++summary.failed;
        else if (row.result == "void")
            ++summary.voided;
        else if (row.result == "unknown")
            ++summary.unknown;
        if (row.result == "fail")
            AddFailure(summary.failures, row);
        if (!row.serial.empty())
            AddSerial(ranges, row);
        // The ledger's times are UTC text, which sorts in time order.
        if (!row.start.empty() && (summary.firstStart.empty() || row.start < summary.firstStart))
            summary.firstStart = row.start;
        if (row.end > summary.lastEnd)
            summary.lastEnd = row.end;
    }
    std::stable_sort(summary.failures.begin(), summary.failures.end(),
                     [](const FailureGroup& a, const FailureGroup& b) {
                         return a.units.size() > b.units.size();
                     });
    for (RangeUse& range : ranges)
        summary.serials.push_back(std::move(range.used));
    AddRate(summary);
    return summary;
}
