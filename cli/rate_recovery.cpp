#include "rate_recovery.h"

#include <algorithm>

#include "setting_packers.h"

namespace {

bool TakesValue(const std::string& argument, std::initializer_list<const char*> names) {
    return std::find(names.begin(), names.end(), argument) != names.end();
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"'\\$`;&|<>()*?") == std::string::npos)
        return argument;
    std::string quoted = "'";
    for (const char c : argument)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::vector<int32_t> RatesToFind(int32_t transferRate) {
    std::vector<int32_t> rates = {kLineRates[0], transferRate};
    for (const int32_t rate : kLineRates) {
        if (std::find(rates.begin(), rates.end(), rate) == rates.end())
            rates.push_back(rate);
    }
    return rates;
}

std::string CommandAtRate(const CliRequest& request, const std::string& port, int32_t rate) {
    const bool severalPorts = request.ports.size() > 1 || !request.match.empty();
    std::string command = "printer-cli";
    if (severalPorts)
        command += " -p " + Quoted(port);
    command += " -b " + std::to_string(rate);
    const std::vector<std::string>& given = request.arguments;
    for (size_t i = 0; i < given.size(); ++i) {
        const std::string& argument = given[i];
        if (TakesValue(argument, {"-b", "--baud"})) {
            ++i;  // and its value
            continue;
        }
        if (StartsWith(argument, "--baud=") || (StartsWith(argument, "-b") && argument != "-b"))
            continue;
        if (severalPorts) {
            if (TakesValue(argument, {"-p", "--port", "--match"})) {
                ++i;
                continue;
            }
            if (StartsWith(argument, "--port=") || StartsWith(argument, "--match=") ||
                (StartsWith(argument, "-p") && argument.size() > 2))
                continue;
        }
        command += " " + Quoted(argument);
    }
    return command;
}
