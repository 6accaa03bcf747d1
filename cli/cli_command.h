// One printer-cli command: the subcommand with the options it declares, and
// the function that turns what was given into the request once the whole
// line is parsed. Each command keeps its options beside the code that reads
// them; the parser only runs the chosen one.
#pragma once

#include <CLI/CLI.hpp>
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "cli_request.h"
#include "configuration.h"
#include "link_options.h"

// What --config FILE gives the setting commands: the window's values, taken
// for every option the command line leaves out, as the window's SET takes
// them from its controls. Without --config, `settings` is empty and the
// options keep their defaults.
struct ConfigDefaults {
    std::optional<StartSettings> settings;
    std::string path;  // as given, for messages

    // How a message names a value taken from the file: "[PARA] BAUDRATE in
    // printer-tool.ini".
    std::string Key(const char* section, const char* key) const {
        return std::string("[") + section + "] " + key + " in " + path;
    }
};

// Fills the request from the command's options; the usage error's message
// when a value is refused (exit 2, nothing sent).
using CommandReader = std::function<std::optional<std::string>(CliRequest&, const ConfigDefaults&)>;

// Runs a command that is not one printer job (the station); its exit status.
// `interrupted` turns true at the first Ctrl-C; a second ends the program.
using CommandRunner = std::function<int(const CliRequest&, const std::atomic<bool>& interrupted)>;

struct CommandEntry {
    CLI::App* command = nullptr;
    CommandReader read;
    unsigned shared = 0;  // the shared options it takes (shared_option bits)
    CommandRunner run{};  // set for a command that is no printer job: it runs itself
};

// --config FILE: reads the file into `config`; the usage error's message
// when it cannot be read.
std::optional<std::string> LoadConfigDefaults(const std::string& path, ConfigDefaults& config);

// The commands, each in the file of its kind.
CommandEntry AddPortsCommand(CLI::App& app);
CommandEntry AddIdentifyCommand(CLI::App& app);
CommandEntry AddParaCommand(CLI::App& app);
CommandEntry AddBluetoothCommand(CLI::App& app);
CommandEntry AddInfraredCommand(CLI::App& app);
CommandEntry AddFactoryCommand(CLI::App& app);
CommandEntry AddFontCommand(CLI::App& app);
CommandEntry AddDownloadCommand(CLI::App& app);
CommandEntry AddFirmwareCommand(CLI::App& app);
CommandEntry AddCheckFirmwareCommand(CLI::App& app);
#ifdef PRINTER_CLI_LOGO
CommandEntry AddLogoCommand(CLI::App& app);
#endif
#ifdef PRINTER_CLI_STATION
CommandEntry AddStationCommand(CLI::App& app);
#endif
