// Finds out what is on a serial port by identify queries alone: at each rate
// of a list, one identify (with its tries and wait) until something answers.
// Nothing else is ever sent, so a printer in any state is left as it was.
// Runs on the caller's thread; the port must not be open elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link_log.h"
#include "printer_commands.h"
#include "printer_link.h"

enum class ProbeVerdict {
    Answers,          // a supported printer answered
    ForeignIdentity,  // a valid reply, from something that is not this printer
    Garbage,          // bytes arrived at some rate, never a valid frame
    Silence,          // nothing arrived at any rate
    PortFailed,       // the port could not be opened
};

struct RateFinding {
    uint32_t rate = 0;
    ProbeVerdict verdict = ProbeVerdict::Silence;
    int bytesReceived = 0;  // every byte read at this rate
};

struct ProbeResult {
    ProbeVerdict verdict = ProbeVerdict::Silence;
    uint32_t rate = 0;               // where the valid reply came (Answers, ForeignIdentity)
    std::string identity;            // what answered, printable
    int strayBytes = 0;              // bytes at that rate that were not the reply
    std::string portError;           // PortFailed: why
    std::vector<RateFinding> rates;  // each rate tried, in order
};

// How long each rate is given.
struct ProbePace {
    int tries = kIdentifyTries;  // identify queries at each rate
    // How long a query waits for the first byte of a reply once it has left
    // the line; 0: the identify's whole wait. Once a byte has come, the
    // reply gets the whole wait.
    int firstByteMs = 0;
};

// A job without a reply has already given its own rate three tries: one
// query at each other rate finds a printer there, which answers within a
// few milliseconds, and a silent port fails soon.
inline constexpr ProbePace kQuickProbe{1, 100};

// `first`, then every other rate of kLineRates in their order.
std::vector<uint32_t> ProbeRateOrder(uint32_t first);

// Identifies at each of `rates` in turn, opening the port afresh for each,
// and stops at the first valid reply. `log` (may be null) gets the frames.
ProbeResult ProbeIdentify(const std::string& portName, const std::vector<uint32_t>& rates,
                          LinkLog* log = nullptr, ProbePace pace = {});

// How the front end names the remedy for a printer at another rate.
enum class RateAdvice { Window, CommandLine };

// One plain sentence on what a probe of the other rates found, for the end
// of a "no reply" message: "the printer answers at 115200 bit/s: pick 115200
// in BAUD RATE", "bytes arrive but no valid frame at any rate", "nothing
// arrives at any rate".
std::string DescribeOtherRates(const ProbeResult& result, RateAdvice advice);
