#include "sim_faults.h"

#include <algorithm>

#include "frame.h"
#include "printer_commands.h"

namespace {

// Noise is bounded so that a careless setting cannot flood the line.
constexpr int kMaxNoiseBytes = 65536;
constexpr uint8_t kCheckSpoiler = 0x5A;

}  // namespace

SimFaultDecision DecideSimFault(const SimFaults& faults, int commandNumber, int blocksAnswered,
                                uint16_t code, uint32_t parameter, bool isBlock) {
    SimFaultDecision d;
    if (faults.silentNth > 0 && commandNumber == faults.silentNth) {
        d.action = SimFaultAction::Silence;
        d.note = "fault: no reply to command number " + std::to_string(commandNumber);
    } else if (faults.silentCommand && *faults.silentCommand == code) {
        d.action = SimFaultAction::Silence;
        d.note = "fault: no reply to this command code";
    } else if (faults.refuseRate && code == kCommandRate && parameter == *faults.refuseRate) {
        d.action = SimFaultAction::Silence;
        d.note = "fault: refuses the rate " + std::to_string(parameter);
    } else if (isBlock && faults.hangUpAfterBlocks > 0 &&
               blocksAnswered >= faults.hangUpAfterBlocks) {
        d.action = SimFaultAction::HangUp;
        d.note = "fault: hang-up after " + std::to_string(blocksAnswered) + " blocks";
    }
    return d;
}

std::vector<uint8_t> ShapeReply(const SimFaults& faults, std::vector<uint8_t> frame,
                                uint32_t noiseSeed) {
    if (frame.size() >= static_cast<size_t>(kFrameHeaderSize)) {
        if (faults.badHeaderCheck)
            frame[10] ^= kCheckSpoiler;
        if (faults.badDataCheck)
            frame[11] ^= kCheckSpoiler;
    }
    const int noise = std::clamp(faults.noiseBytes, 0, kMaxNoiseBytes);
    if (noise == 0)
        return frame;
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(noise) + frame.size());
    uint32_t state = noiseSeed * 2654435761u + 0x9E3779B9u;
    for (int i = 0; i < noise; ++i) {
        state = state * 1664525u + 1013904223u;  // a plain LCG: varied, repeatable
        uint8_t b = static_cast<uint8_t>(state >> 24);
        if (b == kFrameStart)
            b = 0x41;
        out.push_back(b);
    }
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}
