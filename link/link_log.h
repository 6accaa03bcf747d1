// Where the link records what it does: the worker's debug log implements this,
// tests may record into their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LinkLog {
  public:
    virtual ~LinkLog() = default;
    virtual void LogLine(const std::string& text) = 0;
    virtual void LogHex(const uint8_t* bytes, size_t count) = 0;
    // The text appended to the OPEN, Send, Rec and CLOSE lines.
    virtual std::string Timestamp() = 0;
};
