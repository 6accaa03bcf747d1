// What one printer-cli call asks for, parsed and checked before anything is
// sent: the link, the output form, and the job with its request.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "datagram_transport.h"
#include "job_request.h"
#include "logo_dots.h"
#include "setting_packers.h"
#include "setting_payload.h"

enum class CliCommand { Ports, Identify, Setting, Download, Firmware, CheckFirmware, Logo, Doctor };

// For CliCommand::Logo: the pictures, in order, and where their image goes
// besides the printer. The command code and start address are those of
// `download`.
struct LogoRequest {
    std::vector<std::string> pictures;
    int32_t size = 65536;  // the printer's logo memory in bytes
    int32_t width = 384;   // the widest picture in dots
    std::string output;    // also write the image here
    std::string preview;   // write a PNG of the dots here
    LogoDots dots = LogoDots::Blue;
};

// One value a setting command writes, for its OK line and JSON result.
struct WrittenValue {
    std::string name;  // as the option is named, without dashes: "rate", "max-feed"
    nlohmann::json value;
};

struct CliRequest {
    CliCommand command = CliCommand::Identify;
    std::string port = "COM1";       // the port of a one-port job
    std::vector<std::string> ports;  // every --port, in the order given; may be empty
    std::string match;               // --match: "0403:6001", lower case; empty: none
    int32_t rate = 9600;
    bool findRate = false;               // -b auto: the job runs at the rate the printer answers at
    std::vector<std::string> arguments;  // the call as given, for the command that goes on
    int32_t transferRate = 115200;       // block transfers ask the printer for this rate
    DatagramEndpoint endpoint;
    std::string logPath;  // empty: "debug.log" beside the executable
    bool json = false;
    bool quiet = false;
    std::string settingName;  // what the setting is, for messages ("print parameters")
    SettingPayload payload;   // for CliCommand::Setting
    std::vector<WrittenValue> settingValues;  // what the payload holds, in payload order
    // factory: the texts, so that each port can get its own serial number
    std::optional<FactorySettings> factory;
    bool stepSerial = false;   // factory --step: the ports get successive serial numbers
    DownloadEntry download;    // for CliCommand::Download ("font" is a download of 0x63 from 0)
    std::string firmwarePath;  // for CliCommand::Firmware and CheckFirmware
    LogoRequest logo;          // for CliCommand::Logo
    bool dryRun = false;       // check the input and show what would be sent; open no port
};

// Exit status for a call that could not be understood or whose input does
// not convert; nothing was sent. Job failures exit with their error code.
constexpr int kExitUsage = 2;
// Exit status after Ctrl-C, SIGTERM or SIGHUP.
constexpr int kExitInterrupted = 130;

struct CliParse {
    std::optional<CliRequest> request;  // empty: exit with `exitCode`
    int exitCode = 0;                   // 0 after --help, kExitUsage on an error
    // Set when the command runs itself instead of a printer job.
    std::function<int(const CliRequest&, const std::atomic<bool>&)> run;
};

// Parses the arguments. Help and errors are printed here (help to stdout,
// errors to stderr).
CliParse ParseCommandLine(int argc, char** argv);

// "HOST:PORT" -> endpoint; the port must be 1..65535.
std::optional<DatagramEndpoint> ParseEndpoint(const std::string& text);
