// What the line allows: from the commands a virtual printer logged (with the
// time each frame began and each reply ended), the time a job cannot beat,
// and the time the tool added between a reply and its next frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LoggedCommand {
    uint16_t code = 0;
    uint32_t parameter = 0;
    size_t dataLength = 0;
    size_t replyBytes = 0;  // 0: not answered
    uint32_t rate = 0;
    double startMs = 0;     // first byte of the command on the line
    double replyEndMs = 0;  // last byte of the reply on the line
};

// The printer's commands.json; empty with `error` when it cannot be read.
std::vector<LoggedCommand> ReadCommandLog(const std::string& path, std::string& error);

// Pauses the tool must keep: after opening the port, after a rate change,
// after a mode command.
inline constexpr double kOpenPauseMs = 10;
inline constexpr double kRatePauseMs = 6;
inline constexpr double kModePauseMs = 30;

// Wire time of every frame both ways at its rate (10 bits a byte), plus the
// pauses of `opens` link openings and of each answered rate and mode command.
double WireLimitMs(const std::vector<LoggedCommand>& commands, int opens);

// For each block command followed by another: the time from its reply's last
// byte to the next block's first byte.
std::vector<double> BlockGapsMs(const std::vector<LoggedCommand>& commands);

double Median(std::vector<double> values);
