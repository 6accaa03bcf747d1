#include "serial_environment.h"
#include "win32_ftdi_latency.h"

// A port opens for any user, and one program at a time (so nothing probes
// it behind the tool's back): only the adapters' latency timers are left.
std::vector<EnvironmentWarning> SerialEnvironmentWarnings() {
    return LatencyWarnings(FtdiLatencyTimers());
}
