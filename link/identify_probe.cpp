#include "identify_probe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "frame.h"
#include "frame_link.h"
#include "my_uart.h"
#include "printer_commands.h"
#include "printer_link.h"
#include "uart_transport.h"

namespace {

using Clock = std::chrono::steady_clock;

// The serial line, counting every byte read, so that noise and broken
// frames tell themselves apart from silence. With a first-byte wait, a read
// before any byte has come ends that long after the last frame left the
// line.
class CountingTransport : public UartTransport {
  public:
    CountingTransport(TMyUart& uart, int firstByteMs)
        : UartTransport(uart), firstByteMs_(firstByteMs) {}

    bool Send(const uint8_t* data, int count) override {
        const bool sent = UartTransport::Send(data, count);
        firstByteDeadline_ =
            Clock::now() + std::chrono::milliseconds(TransmitTimeMs(count) + firstByteMs_);
        return sent;
    }
    int Receive(uint8_t* buffer, int count, int timeoutMs) override {
        if (firstByteMs_ > 0 && received == 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(firstByteDeadline_ - Clock::now());
            timeoutMs = std::min(timeoutMs, static_cast<int>(left.count()));
            if (timeoutMs <= 0)
                return 0;
        }
        const int got = UartTransport::Receive(buffer, count, timeoutMs);
        if (got > 0)
            received += got;
        return got;
    }
    int received = 0;

  private:
    const int firstByteMs_;
    Clock::time_point firstByteDeadline_{};
};

bool Supported(const std::string& identity) {
    return std::any_of(std::begin(kAcceptedIdentities), std::end(kAcceptedIdentities),
                       [&](const char* accepted) { return identity == accepted; });
}

}  // namespace

std::vector<uint32_t> ProbeRateOrder(uint32_t first) {
    std::vector<uint32_t> order{first};
    for (const int32_t listed : kLineRates) {
        const auto rate = static_cast<uint32_t>(listed);
        if (rate != first)
            order.push_back(rate);
    }
    return order;
}

ProbeResult ProbeIdentify(const std::string& portName, const std::vector<uint32_t>& rates,
                          LinkLog* log, ProbePace pace) {
    ProbeResult result;
    bool anyBytes = false;
    TMyUart uart;
    CountingTransport line(uart, pace.firstByteMs);
    FrameLink frames(log);
    for (uint32_t rate : rates) {
        // A fresh open purges what a slower or faster rate left behind.
        uart.Close();
        if (!uart.Open(portName, rate)) {
            result.verdict = ProbeVerdict::PortFailed;
            result.portError = uart.LastError();
            return result;
        }
        if (log != nullptr)
            log->LogLine("IDENTIFY " + portName + " at " + std::to_string(rate) + log->Timestamp());
        frames.SetTransport(&line);
        line.received = 0;
        uint8_t buffer[4096] = {};
        std::memcpy(buffer, kIdentifyQuery, kIdentifyQueryLength);
        const int got = frames.SendCommand(kCommandIdentify, 0, buffer, 4095, kIdentifyQueryLength,
                                           pace.tries, kIdentifyTimeoutMs);
        RateFinding finding{rate, ProbeVerdict::Silence, line.received};
        anyBytes = anyBytes || line.received > 0;
        if (got >= 0) {
            // Fewer than eight bytes leave part of the query in place.
            const std::string identity(reinterpret_cast<const char*>(buffer), 8);
            finding.verdict =
                Supported(identity) ? ProbeVerdict::Answers : ProbeVerdict::ForeignIdentity;
            result.verdict = finding.verdict;
            result.rate = rate;
            result.identity = PrintableIdentity(buffer, static_cast<size_t>(std::min(got, 8)));
            result.strayBytes = std::max(0, line.received - (kFrameHeaderSize + got));
            result.rates.push_back(finding);
            break;
        }
        if (line.received > 0)
            finding.verdict = ProbeVerdict::Garbage;
        result.rates.push_back(finding);
        result.verdict = anyBytes ? ProbeVerdict::Garbage : ProbeVerdict::Silence;
    }
    frames.SetTransport(nullptr);
    uart.Close();
    return result;
}

std::string DescribeOtherRates(const ProbeResult& result, RateAdvice advice) {
    const std::string rate = std::to_string(result.rate);
    switch (result.verdict) {
        case ProbeVerdict::Answers:
            return "the printer answers at " + rate + " bit/s: " +
                   (advice == RateAdvice::Window ? "pick " + rate + " in BAUD RATE"
                                                 : "use -b " + rate);
        case ProbeVerdict::ForeignIdentity:
            return "at " + rate + " bit/s a device answers '" + result.identity +
                   "', not a supported printer";
        case ProbeVerdict::Garbage:
            return "bytes arrive but no valid frame at any rate";
        case ProbeVerdict::Silence:
            return "nothing arrives at any rate";
        case ProbeVerdict::PortFailed:
            break;
    }
    return "the port could not be opened again: " + result.portError;
}
