#include "serial_range.h"

std::string SerialRange::Text(int64_t number) const {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return prefix + digits;
}

bool SerialRange::Overlaps(const SerialRange& other) const {
    // Different prefixes or widths could still spell one text ("A1" + "05"
    // and "A" + "105"); the ledger's UNIQUE(model, serial) stops those, this
    // catches the ranges people actually mix up.
    return model == other.model && prefix == other.prefix && first <= other.last &&
           other.first <= last;
}

std::optional<std::string> SerialRangeProblem(const SerialRange& range) {
    if (range.first < 0)
        return "first must not be negative";
    if (range.last < range.first)
        return "last (" + std::to_string(range.last) + ") is below first (" +
               std::to_string(range.first) + ")";
    if (range.width < 0 || range.width > 18)
        return "width must be 0..18";
    if (range.width > 0 && static_cast<int>(std::to_string(range.last).size()) > range.width)
        return "last (" + std::to_string(range.last) + ") has more than width " +
               std::to_string(range.width) + " digits";
    return std::nullopt;
}

bool FewLeft(const SerialRange& range, int64_t left) {
    // Divided rather than multiplied: a range may span 18 digits. A range of
    // fewer than 20 numbers still warns at its last one.
    return left <= range.Count() / (100 / kWarnPercentLeft) || left <= 1;
}
