#include "failure_advice.h"

std::string ProbeAdvice(const ProbeResult& probe, uint32_t askedRate, RateAdvice advice) {
    const std::string rate = std::to_string(probe.rate);
    switch (probe.verdict) {
        case ProbeVerdict::Answers:
            if (probe.rate == askedRate)
                return {};
            return advice == RateAdvice::Window
                       ? "pick " + rate + " in BAUD RATE"
                       : "use -b " + rate + " (in the window: pick " + rate + " in BAUD RATE)";
        case ProbeVerdict::ForeignIdentity:
            return kForeignDeviceAdvice;
        case ProbeVerdict::Garbage:
            return "another device or a rate outside the list: check what is attached, or set the "
                   "printer's rate with its own self-test";
        case ProbeVerdict::Silence:
            return "check the cable, the printer's power, and that this is the printer's port";
        case ProbeVerdict::PortFailed:
            break;
    }
    return "try again";
}

std::string HoldersAdvice(const std::vector<PortHolder>& holders) {
    std::string kill;
    for (const PortHolder& holder : holders)
        kill += " " + std::to_string(holder.pid);
    const bool one = holders.size() == 1;
    return std::string(one ? "close it" : "close them") + " (or end " + (one ? "it" : "them") +
           ": kill" + kill + "), then try again";
}
