// What a technician needs after "no reply": whether the printer is there at
// another rate, garbles, or is silent, and whether another program holds
// the port and takes the replies. Only identify queries are sent, and only
// after the job has closed its link.
#include "comm_thread.h"
#include "port_holders.h"

namespace {

// Who else has the port open; empty when no one is seen. Processes of other
// users that could not be read are named only when a program that takes
// serial ports is among them (doctor always counts them): otherwise every
// failure of a user who is not root would say so.
std::string HoldersText(const std::string& portName) {
    const PortHolders found = FindPortHolders(TMyUart::DevicePath(portName));
    if (!found.holders.empty()) {
        return PortHolderList(found.holders) + (found.holders.size() == 1 ? " holds" : " hold") +
               " the port too and may take the replies";
    }
    return found.suspects.empty() ? std::string() : UnreadableHoldersNote(found);
}

}  // namespace

void TCommThread::DiagnoseNoReply(const JobEnvironment& environment) {
    if (link_.ErrorCode() != kErrorNoReply || link_.DatagramMode() || stopRequested_)
        return;
    std::string reason = link_.FailureReason();
    // A job that looked for the printer's rate has already asked at every one.
    const bool identifyUnanswered = link_.Identity().empty();
    if (identifyUnanswered && environment.portRate > 0 && environment.findRates.empty()) {
        std::vector<uint32_t> others = ProbeRateOrder(static_cast<uint32_t>(environment.portRate));
        others.erase(others.begin());
        const ProbeResult found = ProbeIdentify(environment.portName, others, &log_, kQuickProbe);
        reason += "; " + DescribeOtherRates(found, environment.rateAdvice);
        // Found at another rate: that is the answer.
        if (found.verdict == ProbeVerdict::Answers) {
            link_.Fail(kErrorNoReply, reason);
            return;
        }
    }
    if (const std::string holders = HoldersText(environment.portName); !holders.empty())
        reason += "; " + holders;
    link_.Fail(kErrorNoReply, reason);
}
