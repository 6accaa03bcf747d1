// The faults a virtual printer can be told to commit, and the pure rules that
// apply them to one command and its reply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Faults apply to what happens after they are set: the command and block
// counters restart at every VirtualPrinter::SetFaults. A command that a fault
// silences is logged but neither carried out nor answered, as if it was lost
// on the way in.
struct SimFaults {
    int silentNth = 0;                        // no reply to the n-th command (1-based), 0 = off
    std::optional<uint16_t> silentCommand{};  // never answer this command code
    bool badHeaderCheck = false;              // replies carry a wrong header check
    bool badDataCheck = false;                // replies carry a wrong data check
    int noiseBytes = 0;                       // noise bytes (never 0x03) before each reply
    int replyDelayMs = 0;                     // each reply waits this long
    std::optional<std::string> identity{};    // answer identify with this instead
    std::optional<uint32_t> refuseRate{};     // no reply to 0x2B with this rate
    // After n data blocks were answered, the next block hangs the line up
    // instead of being answered (pty: the master closes; UDP: the socket
    // closes). 0 = off.
    int hangUpAfterBlocks = 0;
    // Outside download mode, acknowledge a command the printer does not know
    // (still counted as unknown) instead of staying silent.
    bool answerUnknown = false;
};

enum class SimFaultAction { Proceed, Silence, HangUp };

struct SimFaultDecision {
    SimFaultAction action = SimFaultAction::Proceed;
    std::string note;  // which fault, for the command log
};

// What the faults do to a command: `commandNumber` counts the commands since
// the faults were set (1-based, this one included), `blocksAnswered` the data
// blocks answered since then.
SimFaultDecision DecideSimFault(const SimFaults& faults, int commandNumber, int blocksAnswered,
                                uint16_t code, uint32_t parameter, bool isBlock);

// Applies the reply faults to a valid reply frame: spoiled checks and noise
// in front. `noiseSeed` varies the noise from reply to reply.
std::vector<uint8_t> ShapeReply(const SimFaults& faults, std::vector<uint8_t> frame,
                                uint32_t noiseSeed);
