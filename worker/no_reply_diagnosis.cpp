// What a technician needs after "no reply": whether the printer is there at
// another rate, garbles, or is silent, and whether another program holds
// the port and takes the replies. Only identify queries are sent, and only
// after the job has closed its link.
#include "comm_thread.h"
#include "failure_advice.h"
#include "port_holders.h"

namespace {

// Who else has the port open; empty when no one is seen. Processes of other
// users that could not be read are named only when a program that takes
// serial ports is among them (doctor always counts them): otherwise every
// failure of a user who is not root would say so.
std::string HoldersText(const PortHolders& found) {
    if (!found.holders.empty()) {
        return PortHolderList(found.holders) + (found.holders.size() == 1 ? " holds" : " hold") +
               " the port too and may take the replies";
    }
    return found.suspects.empty() ? std::string() : UnreadableHoldersNote(found);
}

}  // namespace

void TCommThread::DiagnoseNoReply(const JobEnvironment& environment) {
    if (link_.ErrorCode() == kErrorPortOpen)
        advice_ = kPortOpenAdvice;
    else if (link_.ErrorCode() == kErrorIdentity)
        advice_ = kForeignDeviceAdvice;
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
        advice_ = ProbeAdvice(found, static_cast<uint32_t>(environment.portRate),
                              environment.rateAdvice);
        // Found at another rate: that is the answer.
        if (found.verdict == ProbeVerdict::Answers) {
            answeringRate_ = static_cast<int32_t>(found.rate);
            link_.Fail(kErrorNoReply, reason);
            return;
        }
    }
    const PortHolders holders = FindPortHolders(TMyUart::DevicePath(environment.portName));
    if (const std::string text = HoldersText(holders); !text.empty()) {
        reason += "; " + text;
        if (!holders.holders.empty())
            advice_ = HoldersAdvice(holders.holders);
    }
    link_.Fail(kErrorNoReply, reason);
}
