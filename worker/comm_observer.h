// The seam between the worker and a front end (the window, the command line,
// a test). The worker calls these on its own thread; each front end hands
// the calls over to its own thread as it needs to.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "datagram_transport.h"
#include "identify_probe.h"

// What a job needs from the front end when it starts.
struct JobEnvironment {
    std::string portName = "COM1";
    int32_t portRate = 9600;
    // Paths, not texts: a folder named in any script must work on Windows too.
    std::filesystem::path exeFolder;     // where "debug.log" is written; empty: the current folder
    DatagramEndpoint endpoint;           // where "TCP/IP" sends its datagrams
    std::filesystem::path debugLogPath;  // when set, the debug log is written here instead
    // Block transfers ask the printer for this rate; one that does not take
    // it is moved to 115200 bit/s instead.
    int32_t transferRate = 115200;
    // When not empty, the job does not trust `portRate`: it identifies the
    // printer at each of these rates in turn and runs at the first that
    // answers.
    std::vector<int32_t> findRates;
    // How a "no reply" message names the remedy for a printer at another rate.
    RateAdvice rateAdvice = RateAdvice::Window;
    // A failed job's log is also kept as "debug-failed.log" beside the log.
    bool keepFailedLog = false;
};

class CommObserver {
  public:
    virtual ~CommObserver() = default;

    // Read once at the start of every job.
    virtual JobEnvironment CurrentEnvironment() = 0;
    // Bytes done of a block transfer, throttled by the worker.
    virtual void JobProgress(int32_t done, int32_t total) = 0;
    // Text for the front end's status line ("DOWNLOAD font.bin").
    virtual void StatusText(const std::string& text) = 0;
    // Called once at the end of every job, right after the done event is set.
    virtual void JobFinished() = 0;
};
