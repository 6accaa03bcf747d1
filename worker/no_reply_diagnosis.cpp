// What a technician needs after "no reply to the identify query": whether
// the printer is there at another rate, garbles, or is silent. Only identify
// queries are sent, and only after the job has closed its link.
#include "comm_thread.h"

void TCommThread::DiagnoseNoReply(const JobEnvironment& environment) {
    const bool identifyUnanswered =
        link_.ErrorCode() == kErrorNoReply && link_.Identity().empty() && !link_.DatagramMode();
    // A job that looked for the printer's rate has already asked at every one.
    if (!identifyUnanswered || stopRequested_ || environment.portRate <= 0 ||
        !environment.findRates.empty())
        return;
    std::vector<uint32_t> others = ProbeRateOrder(static_cast<uint32_t>(environment.portRate));
    others.erase(others.begin());
    const ProbeResult found = ProbeIdentify(environment.portName, others, &log_, kQuickProbe);
    link_.Fail(kErrorNoReply,
               link_.FailureReason() + "; " + DescribeOtherRates(found, environment.rateAdvice));
}
