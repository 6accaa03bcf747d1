#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli_command.h"
#include "cli_request.h"
#include "cli_transfer.h"
#include "command_suggestion.h"
#include "link_options.h"
#include "program_version.h"

namespace {

#ifdef PRINTER_CLI_LOGO
constexpr const char* kLogoNote = "";
#else
constexpr const char* kLogoNote =
    "This printer-cli was built without a picture decoder: it has no logo command.\n\n";
#endif

// What interrupts a job: Windows has no SIGTERM or SIGHUP, but a console
// control event for each of these.
#ifdef _WIN32
#define PT_INTERRUPTS "Ctrl-C, Ctrl-Break or closing the console"
#else
#define PT_INTERRUPTS "Ctrl-C, SIGTERM or SIGHUP"
#endif

constexpr const char* kExitCodes =
    "Exit status:\n"
    "  0  success\n"
    "  1  the port could not be opened (or its UDP host does not resolve)\n"
    "  2  usage error or bad input such as -b 0 or an empty file (nothing was sent;\n"
    "     with --json a result object says why)\n"
    "  3  a command got no valid reply after all its tries\n"
    "  4  the printer took a new rate but the port could not follow\n"
    "  5  the device is not a supported printer\n"
    "  7  the printer did not accept download mode\n"
    "  8  the printer did not accept update mode\n"
    "  9  the job could not be carried out\n"
    "  130  interrupted (" PT_INTERRUPTS
    "): a transfer stops\n"
    "       after the block in flight; its message and --json result carry the job's\n"
    "       code 10 (stopped)\n"
    "With several ports: 0 when every port succeeded, else the status of the first\n"
    "port, in the order given, that failed.\n";

constexpr const char* kNumbersNote = "Numbers may be decimal or hexadecimal after \"$\" or \"0x\".";
constexpr const char* kUdpNote = "The port \"TCP/IP\" talks to --udp instead of a serial port.";

// A command's own notes, then the general ones that apply to it; the exit
// statuses stand once, in the program's help.
std::string CommandFooter(const CLI::App& command, unsigned shared) {
    std::string footer = command.get_footer();
    if (!footer.empty())
        footer += "\n\n";
    if (shared & shared_option::kBaud)
        footer += std::string(kNumbersNote) + "\n";
    if (shared & shared_option::kUdp)
        footer += std::string(kUdpNote) + "\n";
    return footer +
           "Exit status: 0 on success; 'printer-cli --help' and printer-cli(1) list the others.";
}

// --json anywhere before "--": CLI11 may stop at an error before it has
// read it, and a JSON caller still wants the result object.
bool JsonAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--")
            break;
        if (word == "--json")
            return true;
    }
    return false;
}

// A usage error as every exit 2 reports it: on stderr, or with --json as a
// result object with code 2.
int UsageError(CliRequest request, bool json, const std::string& message) {
    request.json = json;
    return BadInput(request, message);
}

// The word where the command should stand, when it names no command: CLI11
// would only say that a command is required.
std::optional<std::string> UnknownCommand(const CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.size() > 1 && word[0] == '-') {
            // An option that takes a value takes the next word, unless "=" gave it;
            // a flag (--json, -q) takes none.
            const CLI::Option* option = app.get_option_no_throw(word);
            if (option && option->get_expected_min() > 0 && word.find('=') == std::string::npos)
                ++i;
            continue;
        }
        std::vector<std::string> names;
        for (const CLI::App* command : app.get_subcommands({})) {
            if (command->get_name() == word)
                return std::nullopt;
            names.push_back(command->get_name());
        }
        const auto nearest = NearestName(word, names);
        return "'" + word + "' is not a command" +
               (nearest ? "; did you mean '" + *nearest + "'?" : "; --help lists them");
    }
    return std::nullopt;
}

}  // namespace

CommandEntry AddPortsCommand(CLI::App& app) {
    return {app.add_subcommand("ports", "list the serial ports of this machine"),
            [](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                request.command = CliCommand::Ports;
                return std::nullopt;
            },
            shared_option::kJson};
}

CommandEntry AddIdentifyCommand(CLI::App& app) {
    return {app.add_subcommand("identify", "identify the printer and print its identity"),
            [](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                request.command = CliCommand::Identify;
                return std::nullopt;
            },
            shared_option::kPrinterJob};
}

CommandEntry AddDoctorCommand(CLI::App& app) {
    CLI::App* command =
        app.add_subcommand("doctor",
                           "find out why a printer does not answer, with identify "
                           "queries only (every serial port without -p; exit 0 when "
                           "it answers)");
    return {
        command,
        [](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
            request.command = CliCommand::Doctor;
            return std::nullopt;
        },
        shared_option::kPort | shared_option::kBaud | shared_option::kUdp | shared_option::kJson};
}

CliParse ParseCommandLine(int argc, char** argv) {
    CLI::App app{"Service tool for receipt printers on a serial port or UDP.", "printer-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("printer-cli ") + kProgramVersion);
    SharedOptions shared;
    shared.DeclareOnProgram(app);
    // In the order --help lists them; a new command is one line here (kept
    // one per line, so that adding one changes one line).
    // clang-format off
    std::vector<CommandEntry> commands = {
        AddPortsCommand(app),
        AddIdentifyCommand(app),
        AddDoctorCommand(app),
        AddParaCommand(app),
        AddBluetoothCommand(app),
        AddInfraredCommand(app),
        AddFactoryCommand(app),
        AddFontCommand(app),
        AddDownloadCommand(app),
        AddFirmwareCommand(app),
        AddCheckFirmwareCommand(app),
    };
    // clang-format on
#ifdef PRINTER_CLI_LOGO
    commands.push_back(AddLogoCommand(app));
#endif
#ifdef PRINTER_CLI_STATION
    commands.push_back(AddStationCommand(app));
#endif
    for (const CommandEntry& entry : commands) {
        shared.DeclareOnCommand(*entry.command, entry.shared);
        entry.command->footer(CommandFooter(*entry.command, entry.shared));
    }
    // After the commands, which would otherwise take it as theirs.
    app.footer(std::string(kNumbersNote) + "\n" + kUdpNote + "\n\n" + kLogoNote + kExitCodes);

    CliParse result;
    CliRequest request;
    const bool json = JsonAsked(argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (const auto unknown = UnknownCommand(app, argc, argv)) {
            result.exitCode = UsageError(request, json, *unknown);
            return result;
        }
        // Help and --version exit 0 as text; CLI11 words its own errors.
        if (e.get_exit_code() != 0 && json)
            result.exitCode = UsageError(request, json, e.what());
        else
            result.exitCode = app.exit(e) == 0 ? 0 : kExitUsage;
        return result;
    }

    ConfigDefaults config;
    if (const std::string configPath = shared.ConfigPath(); !configPath.empty()) {
        if (const auto error = LoadConfigDefaults(configPath, config)) {
            result.exitCode = UsageError(request, json, *error);
            return result;
        }
    }
    const CLI::App* chosen = app.get_subcommands().front();
    const auto entry = std::find_if(commands.begin(), commands.end(),
                                    [&](const CommandEntry& c) { return c.command == chosen; });
    auto error = shared.Read(request);
    if (!error)
        error = entry->read(request, config);
    if (error) {
        result.exitCode = UsageError(request, json, *error);
        return result;
    }
    request.arguments.assign(argv + std::min(argc, 1), argv + argc);
    result.request = request;
    result.run = entry->run;
    return result;
}
