// The serial numbers a recipe hands out: a model, an optional fixed prefix,
// and the numbers first..last written with at least `width` digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct SerialRange {
    std::string model;
    std::string prefix;
    int width = 0;  // zero-padded to this many digits; 0: as many as the number has
    int64_t first = 0;
    int64_t last = 0;

    int64_t Count() const { return last - first + 1; }
    // "ZD001000" for 1000 with prefix "ZD" and width 6.
    std::string Text(int64_t number) const;
    // "ZD001000..ZD001999".
    std::string Describe() const { return Text(first) + ".." + Text(last); }
    // Whether the two ranges can give the same serial text to one model.
    bool Overlaps(const SerialRange& other) const;
    bool operator==(const SerialRange&) const = default;
};

// Why the range cannot be used (first above last, a negative number, a last
// number with more digits than the width); nothing when it can.
std::optional<std::string> SerialRangeProblem(const SerialRange& range);

// The share of the range left at which the station warns: 5%.
inline constexpr int kWarnPercentLeft = 5;
// Whether `left` numbers of the range are few enough to warn about.
bool FewLeft(const SerialRange& range, int64_t left);
