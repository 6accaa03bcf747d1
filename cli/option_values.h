// The small conversions the commands share: integer texts, the name a file
// is shown by, and the setting a command sends.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "cli_command.h"
#include "cli_request.h"
#include "setting_packers.h"

// Frames carry a 16-bit command code.
inline constexpr int32_t kMaxCommandCode = 0xFFFF;

// "--option: '<text>' is not a valid integer value" for the first text that
// does not convert; nothing when all do.
std::optional<std::string> FirstNonInteger(
    std::initializer_list<std::pair<const char*, const std::string&>> options);

// The usage error for a number option whose text does not convert or whose
// value lies outside low..high ("--command: '0x10000' is outside 0..65535");
// nothing when it fits. `trim` drops blanks around the text first.
std::optional<std::string> OutsideRange(const std::string& option, const std::string& text,
                                        int32_t low, int32_t high, bool trim = true);

// The first of several checks that refuses its value.
std::optional<std::string> FirstRefusal(std::initializer_list<std::optional<std::string>> checks);

// The name a file is shown by: its last path element.
std::string FileName(const std::string& path);

// Makes the request the setting job of `packed`, or says why `command`
// cannot be sent.
std::optional<std::string> UseSetting(CliRequest& request, const std::string& command,
                                      const char* settingName, const PackResult& packed);
