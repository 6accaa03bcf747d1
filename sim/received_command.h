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
};

const char* CommandOutcomeName(CommandOutcome outcome);

struct ReceivedCommand {
    uint16_t code = 0;
    uint32_t parameter = 0;
    std::vector<uint8_t> data;
    std::chrono::steady_clock::time_point time;  // when its last byte was read
    CommandOutcome outcome = CommandOutcome::Answered;
    std::string note;  // why it was refused or silenced; empty when answered
};
