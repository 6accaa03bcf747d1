// The one way printer-cli writes JSON. Its texts come from outside (file and
// port names, system messages) and need not be UTF-8: such bytes become
// U+FFFD instead of an exception, so output never ends a job.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

inline std::string JsonLine(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
