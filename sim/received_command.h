// One command as the virtual printer received it, and what became of it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

enum class CommandOutcome {
    Answered,  // a reply went out
    Refused,   // the printer would not carry it out (see the note) and stayed silent
    Silenced,  // a fault swallowed it
    HungUp,    // a fault hung the line up instead of answering
    Unknown,   // not a command of this printer, and not answered
};

const char* CommandOutcomeName(CommandOutcome outcome);

struct ReceivedCommand {
    uint16_t code = 0;
    uint32_t parameter = 0;
    std::vector<uint8_t> data;
    std::chrono::steady_clock::time_point time;  // when its last byte was read
    // When its first byte came on the line (paced: its wire time before
    // `time`), and when the last byte of the reply left (`time` when none).
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point replyEnd;
    uint32_t rate = 0;      // the printer's rate when the command came
    size_t replyBytes = 0;  // bytes of the reply, noise included
    CommandOutcome outcome = CommandOutcome::Answered;
    // Why it was not answered, or the fault that made an unknown command
    // answered; empty otherwise.
    std::string note;
};
