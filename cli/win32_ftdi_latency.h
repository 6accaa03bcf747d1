// The latency timers of FTDI adapters as Windows keeps them: FTDI's driver
// stores each port's settings under Enum\FTDIBUS\<device>\0000\Device
// Parameters in the registry (PortName, LatencyTimer).
#pragma once

#include <vector>

#include "port_diagnosis.h"

// Every FTDI port the driver has settings for, in the registry's order.
std::vector<PortLatencyTimer> FtdiLatencyTimers();
