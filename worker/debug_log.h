// The worker's debug log: the lines of one job (port opened and closed, every
// frame sent and received with a hex dump), kept in memory and saved as
// "debug.log" when the job ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link_log.h"

// A local time, broken down, with milliseconds.
struct LogTime {
    int year = 2000;  // four digits
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

LogTime LocalLogTime();

// " yy-mm-dd hh:nn:ss zzz ": 23 characters, with a blank at both ends.
std::string FormatTimestamp(const LogTime& time);

// The hex dump of `count` bytes, 16 to a line: hex column, then ";" at the
// 63rd character and the bytes as text (0x20 and below as blanks). Every line
// is 79 characters; the last one is padded.
std::vector<std::string> HexDumpLines(const uint8_t* bytes, size_t count);

class DebugLog : public LinkLog {
  public:
    using TimeSource = std::function<LogTime()>;

    explicit DebugLog(TimeSource now = LocalLogTime) : now_(std::move(now)) {}

    void LogLine(const std::string& text) override { lines_.push_back(text); }
    void LogHex(const uint8_t* bytes, size_t count) override;
    std::string Timestamp() override { return FormatTimestamp(now_()); }

    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Replaces `path` with the lines, each ended by CR LF. Written to a
    // temporary file beside it first, so a failed save leaves the old log
    // whole. False with `error` set when the file cannot be written.
    bool Save(const std::filesystem::path& path, std::string& error) const;

  private:
    TimeSource now_;
    std::vector<std::string> lines_;
};
