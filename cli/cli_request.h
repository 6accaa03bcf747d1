// What one printer-cli call asks for, parsed and checked before anything is
// sent: the link, the output form, and the job with its request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "datagram_transport.h"
#include "job_request.h"
#include "setting_payload.h"

enum class CliCommand { Ports, Identify, Setting, Download, Firmware, CheckFirmware };

struct CliRequest {
    CliCommand command = CliCommand::Identify;
    std::string port = "COM1";
    int32_t rate = 9600;
    DatagramEndpoint endpoint;
    std::string logPath;  // empty: "debug.log" beside the executable
    bool json = false;
    bool quiet = false;
    std::string settingName;   // what the setting is, for messages ("print parameters")
    SettingPayload payload;    // for CliCommand::Setting
    DownloadEntry download;    // for CliCommand::Download ("font" is a download of 0x63 from 0)
    std::string firmwarePath;  // for CliCommand::Firmware and CheckFirmware
    bool dryRun = false;       // check the input and show what would be sent; open no port
};

// Exit status for a call that could not be understood or whose input does
// not convert; nothing was sent. Job failures exit with their error code.
constexpr int kExitUsage = 2;

struct CliParse {
    std::optional<CliRequest> request;  // empty: exit with `exitCode`
    int exitCode = 0;                   // 0 after --help, kExitUsage on an error
};

// Parses the arguments. Help and errors are printed here (help to stdout,
// errors to stderr).
CliParse ParseCommandLine(int argc, char** argv);

// "HOST:PORT" -> endpoint; the port must be 1..65535.
std::optional<DatagramEndpoint> ParseEndpoint(const std::string& text);
