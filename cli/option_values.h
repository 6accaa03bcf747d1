// The small conversions the commands share: word choices, integer texts and
// the name a file is shown by.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "cli_command.h"
#include "cli_request.h"
#include "setting_packers.h"

// Frames carry a 16-bit command code.
inline constexpr int32_t kMaxCommandCode = 0xFFFF;

// Index of `value` (any case) in `names`, for choices that CLI11 has already
// checked; -1 when it is none of them.
template <size_t N>
int IndexOf(const std::array<const char*, N>& names, const std::string& value) {
    const std::string lower = CLI::detail::to_lower(value);
    for (size_t i = 0; i < N; ++i) {
        if (lower == names[i])
            return static_cast<int>(i);
    }
    return -1;
}

// The same names as a CLI11 check, so help and validation list exactly them.
template <size_t N>
CLI::IsMember Choices(const std::array<const char*, N>& names) {
    return CLI::IsMember(std::vector<std::string>(names.begin(), names.end()), CLI::ignore_case);
}

// "--option: '<text>' is not a valid integer value" for the first text that
// does not convert; nothing when all do.
std::optional<std::string> FirstNonInteger(
    std::initializer_list<std::pair<const char*, const std::string&>> options);

// The usage error for a number option whose text does not convert or whose
// value lies outside low..high ("--idle: '-1' is outside 0..65535"); nothing
// when it fits. `trim` drops blanks around the text first, as the window does
// for its numeric fields (never for rates).
std::optional<std::string> OutsideRange(const std::string& option, const std::string& text,
                                        int32_t low, int32_t high, bool trim = true);

// The same for a line rate, which must be one of the tool's rate list.
std::optional<std::string> NotALineRate(const std::string& option, const std::string& text);

// The text a setting is written with, and the name messages give it: the
// option as given; else, with --config, the file's value, named by its key
// ("--rate ([PARA] BAUDRATE in printer-tool.ini)"); else the option's default.
struct ValueSource {
    std::string text;
    std::string name;
};
ValueSource Pick(const CLI::App& command, const std::string& option, const std::string& given,
                 const ConfigDefaults& config, const std::string& fileKey,
                 const std::string& fileText);

// The first of several checks that refuses its value.
std::optional<std::string> FirstRefusal(std::initializer_list<std::optional<std::string>> checks);

// The name a file is shown by: its last path element.
std::string FileName(const std::string& path);

// Makes the request the setting job of `packed`, or says why `command`
// cannot be sent.
std::optional<std::string> UseSetting(CliRequest& request, const std::string& command,
                                      const char* settingName, const PackResult& packed);
