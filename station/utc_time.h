// Times as the ledger stores them: UTC in ISO 8601, "2024-05-01T09:30:00Z",
// which sort as text in time order.
#pragma once

#include <chrono>
#include <optional>
#include <string>

std::string UtcText(std::chrono::system_clock::time_point time);
inline std::string UtcNow() {
    return UtcText(std::chrono::system_clock::now());
}

// A time as a person gives it ("2024-05-01", "2024-05-01T09:30",
// "2024-05-01 09:30:00Z"; taken as UTC) in the ledger's form; nothing when
// it is none of those.
std::optional<std::string> ParseUtcText(const std::string& text);
// The same as a time.
std::optional<std::chrono::system_clock::time_point> ParseUtcTime(const std::string& text);
