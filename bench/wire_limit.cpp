#include "wire_limit.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "frame.h"
#include "printer_commands.h"

namespace {

double WireMs(size_t bytes, uint32_t rate) {
    return rate == 0 ? 0.0 : static_cast<double>(bytes) * 10.0 * 1000.0 / rate;
}

bool IsBlock(const LoggedCommand& c) {
    return c.code == kCommandFirmwareBlock || c.code == kCommandFontBlock ||
           c.code == kCommandLogoBlock;
}

}  // namespace

std::vector<LoggedCommand> ReadCommandLog(const std::string& path, std::string& error) {
    std::ifstream in(path);
    const nlohmann::json log = nlohmann::json::parse(in, nullptr, false);
    if (!log.is_array()) {
        error = "cannot read the command log " + path;
        return {};
    }
    std::vector<LoggedCommand> commands;
    for (const auto& entry : log) {
        LoggedCommand c;
        c.code = entry.at("code").get<uint16_t>();
        c.parameter = entry.at("parameter").get<uint32_t>();
        c.dataLength = entry.at("dataLength").get<size_t>();
        c.replyBytes = entry.at("outcome") == "answered" ? entry.at("replyBytes").get<size_t>() : 0;
        c.rate = entry.at("rate").get<uint32_t>();
        c.startMs = entry.at("startMs").get<double>();
        c.replyEndMs = entry.at("replyEndMs").get<double>();
        commands.push_back(c);
    }
    return commands;
}

double WireLimitMs(const std::vector<LoggedCommand>& commands, int opens) {
    double total = kOpenPauseMs * opens;
    for (const LoggedCommand& c : commands) {
        // The reply goes out at the rate the command came at.
        total += WireMs(kFrameHeaderSize + c.dataLength, c.rate) + WireMs(c.replyBytes, c.rate);
        if (c.replyBytes == 0)
            continue;
        if (c.code == kCommandRate)
            total += kRatePauseMs;
        if (c.code == kCommandMode && (c.parameter == kModeUpdate || c.parameter == kModeDownload))
            total += kModePauseMs;
    }
    return total;
}

std::vector<double> BlockGapsMs(const std::vector<LoggedCommand>& commands) {
    std::vector<double> gaps;
    for (size_t i = 0; i + 1 < commands.size(); ++i) {
        if (IsBlock(commands[i]) && IsBlock(commands[i + 1]) && commands[i].replyBytes > 0)
            gaps.push_back(commands[i + 1].startMs - commands[i].replyEndMs);
    }
    return gaps;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}
