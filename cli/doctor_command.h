// "printer-cli doctor": the checks of doctor_checks.h on each port asked for,
// or on every serial port of the machine, then once the machine's own
// warnings (serial_environment.h), as lines or JSON Lines.
#pragma once

#include <string>
#include <vector>

#include "cli_request.h"
#include "doctor_checks.h"

// Exit status: with ports named, 0 when the printer answers on every one,
// else the code of the first port, in order, that failed; over every port
// of the machine, 0 when the printer answers on any.
int DoctorExitStatus(const std::vector<DoctorReport>& reports, bool everyPort);

// Runs the checks on all ports at once and prints the reports in port order,
// then the machine's warnings ("this machine"; in JSON an "environment"
// object, also when empty). They leave the exit status as it is.
int DoctorCommand(const CliRequest& request);
