#include "option_values.h"

#include "int_conversion.h"
#include "printer_text.h"
#include "setting_values.h"

std::optional<std::string> FirstNonInteger(
    std::initializer_list<std::pair<const char*, const std::string&>> options) {
    for (const auto& [option, text] : options) {
        if (!ParseInt32(text))
            return std::string(option) + ": " + InvalidIntegerMessage(text);
    }
    return std::nullopt;
}

std::optional<std::string> OutsideRange(const std::string& option, const std::string& text,
                                        int32_t low, int32_t high, bool trim) {
    const std::string_view converted = trim ? TrimBlanks(text) : std::string_view(text);
    const auto value = ParseInt32(converted);
    if (!value)
        return option + ": " + InvalidIntegerMessage(converted);
    if (*value < low || *value > high)
        return OutsideRangeMessage(option, converted, low, high);
    return std::nullopt;
}

std::optional<std::string> FirstRefusal(std::initializer_list<std::optional<std::string>> checks) {
    for (const auto& check : checks) {
        if (check)
            return check;
    }
    return std::nullopt;
}

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> UseSetting(CliRequest& request, const std::string& command,
                                      const char* settingName, const PackResult& packed) {
    if (!packed.payload)
        return command + ": " + packed.error;
    request.command = CliCommand::Setting;
    request.settingName = settingName;
    request.payload = *packed.payload;
    return std::nullopt;
}
