// The small conversions the commands share: word choices, integer texts and
// the name a file is shown by.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "cli_request.h"
#include "setting_packers.h"

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

// The name a file is shown by: its last path element.
std::string FileName(const std::string& path);

// Makes the request the setting job of `packed`, or says why `command`
// cannot be sent.
std::optional<std::string> UseSetting(CliRequest& request, const std::string& command,
                                      const char* settingName, const PackResult& packed);
