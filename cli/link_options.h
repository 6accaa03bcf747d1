// The options every printer command shares: which ports, at what rate, over
// which link, and how the result is shown. They may stand before the command
// (`printer-cli -p COM3 para ...`) or after it (`printer-cli para -p COM3`),
// and each command's --help lists the ones that apply to it.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_request.h"

// Which shared options a command takes, as a set of bits.
namespace shared_option {
enum : unsigned {
    kPort = 1u << 0,   // -p, --port
    kMatch = 1u << 1,  // --match
    kBaud = 1u << 2,   // -b, --baud
    kUdp = 1u << 3,    // --udp
    kTransferRate = 1u << 4,
    kLog = 1u << 5,
    kJson = 1u << 6,
    kQuiet = 1u << 7,
    kConfig = 1u << 8,
};
// What a job on a printer takes; the setting and transfer commands add theirs.
constexpr unsigned kPrinterJob = kPort | kMatch | kBaud | kUdp | kLog | kJson | kQuiet;
constexpr unsigned kEvery = kPrinterJob | kTransferRate | kConfig;
}  // namespace shared_option

class SharedOptions {
  public:
    SharedOptions();
    ~SharedOptions();
    SharedOptions(const SharedOptions&) = delete;
    SharedOptions& operator=(const SharedOptions&) = delete;

    // Declares every shared option on the program itself.
    void DeclareOnProgram(CLI::App& app);
    // Declares `uses` on a command, in a group of their own after its own
    // options.
    void DeclareOnCommand(CLI::App& command, unsigned uses);

    // After parsing: the link part of the request. A value given after the
    // command wins over one given before it; ports given in both places are
    // all taken, those before the command first. The usage error's message
    // when a value is refused.
    std::optional<std::string> Read(CliRequest& request) const;
    // --config FILE as given; empty without it.
    std::string ConfigPath() const;

  private:
    struct Values;
    void Declare(CLI::App& app, unsigned uses, const std::string& group);

    std::unique_ptr<Values> values_;        // bound by every place that declares them
    std::vector<CLI::Option*> udpOptions_;  // --udp alone means the port TCP/IP
};
