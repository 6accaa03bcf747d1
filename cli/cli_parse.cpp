#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <iostream>

#include "cli_request.h"
#include "int_conversion.h"
#include "path_text.h"
#include "program_version.h"
#include "serial_step.h"
#include "setting_packers.h"

namespace {

#ifdef PRINTER_CLI_LOGO
constexpr const char* kLogoNote = "";
#else
constexpr const char* kLogoNote =
    "This printer-cli was built without Qt's image support: it has no logo command.\n\n";
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
    "  130  interrupted (Ctrl-C, SIGTERM or SIGHUP): a transfer stops after the block in\n"
    "       flight; its message and --json result carry the job's code 10 (stopped)\n"
    "With several ports: 0 when every port succeeded, else the status of the first\n"
    "port, in the order given, that failed.\n";

// Index of `value` in `names`, for choices that CLI11 has already checked.
template <size_t N>
int IndexOf(const std::array<const char*, N>& names, const std::string& value) {
    for (size_t i = 0; i < N; ++i) {
        if (value == names[i])
            return static_cast<int>(i);
    }
    return -1;
}

constexpr std::array<const char*, 3> kDensities = {"low", "normal", "dark"};
constexpr std::array<const char*, 5> kFonts = {"a", "b", "c", "d", "e"};
constexpr std::array<const char*, 2> kLineEnds = {"lf", "cr"};
constexpr std::array<const char*, 1> kIrProtocols = {"raw"};

// The same names as a CLI11 check, so help and validation list exactly them.
template <size_t N>
CLI::IsMember Choices(const std::array<const char*, N>& names) {
    return CLI::IsMember(std::vector<std::string>(names.begin(), names.end()), CLI::ignore_case);
}

struct ParaOptions {
    std::string rate = "9600";
    std::string codePage = "0";
    std::string density = "normal";
    std::string font = "a";
    std::string line = "lf";
    std::string idle = "50";
    std::string off = "0";
    std::string maxFeed = "200";
    std::string pageLength = "200";
};

struct TextPair {
    std::string first;
    std::string second;
};

struct IrOptions {
    std::string rate = "9600";
    std::string protocol = "raw";
};

// The name a file is shown by: its last path element.
std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "--option: '<text>' is not a valid integer value" for the first text that
// does not convert; nothing when all do.
std::optional<std::string> FirstNonInteger(
    std::initializer_list<std::pair<const char*, const std::string&>> options) {
    for (const auto& [option, text] : options) {
        if (!ParseInt32(text))
            return std::string(option) + ": " + InvalidIntegerMessage(text);
    }
    return std::nullopt;
}

#ifdef PRINTER_CLI_LOGO
struct LogoOptions {
    std::vector<std::string> pictures;
    std::string size = "65536";
    std::string width = "384";
    std::string command = "45";
    std::string address = "0";
    std::string output;
    std::string preview;
    std::string dots = LogoDotsWord(LogoDots::Blue);
    bool dryRun = false;
};

void AddLogoCommand(CLI::App& app, LogoOptions& logo) {
    CLI::App* command = app.add_subcommand(
        "logo", "compose pictures (BMP, PNG, GIF, JPEG) into the NV logo image and download it");
    command->add_option("--size", logo.size, "the printer's logo memory in bytes")
        ->capture_default_str();
    command->add_option("--width", logo.width, "the widest picture in dots")->capture_default_str();
    command->add_option("--command", logo.command, "the command code of the logo blocks")
        ->capture_default_str();
    command->add_option("--address", logo.address, "the address of the first block")
        ->capture_default_str();
    command->add_option("--output", logo.output, "also write the image to this file");
    command->add_option("--preview", logo.preview,
                        "write a PNG of the dots the printer prints, as --dots makes them");
    std::vector<std::string> dots;
    for (LogoDots choice : kLogoDotsChoices)
        dots.push_back(LogoDotsWord(choice));
    command
        ->add_option("--dots", logo.dots,
                     "how colours become dots: blue (a dot where blue is below half, the rule "
                     "logos are made for), brightness (a dot where the picture is dark), "
                     "dither (dot density follows the shade; for photos)")
        ->check(CLI::IsMember(dots, CLI::ignore_case))
        ->capture_default_str();
    command->add_flag("--dry-run", logo.dryRun,
                      "compose and write the files, show what would be sent; open no port");
    command->add_option("PICTURE", logo.pictures, "the pictures, in order")->required();
}

// The usage error's message when a number does not convert; nothing when
// all do.
std::optional<std::string> FillLogoRequest(const LogoOptions& logo, CliRequest& request) {
    if (auto bad = FirstNonInteger({{"--size", logo.size},
                                    {"--width", logo.width},
                                    {"--command", logo.command},
                                    {"--address", logo.address}}))
        return bad;
    request.command = CliCommand::Logo;
    request.logo = {logo.pictures, *ParseInt32(logo.size), *ParseInt32(logo.width), logo.output,
                    logo.preview};
    request.logo.dots = *ParseLogoDots(logo.dots);  // CLI11 has checked the word
    request.download.command = logo.command;
    request.download.address = logo.address;
    request.dryRun = logo.dryRun;
    return std::nullopt;
}
#endif

// "0403:6001" (any case) -> "0403:6001" as the port list writes it.
std::optional<std::string> UsbIdText(const std::string& text) {
    if (text.size() != 9 || text[4] != ':')
        return std::nullopt;
    std::string id = CLI::detail::to_lower(text);
    for (size_t i = 0; i < id.size(); ++i) {
        if (i != 4 && !std::isxdigit(static_cast<unsigned char>(id[i])))
            return std::nullopt;
    }
    return id;
}

int UsageError(const std::string& message) {
    std::cerr << "printer-cli: " << message << "\n";
    return kExitUsage;
}

}  // namespace

std::optional<DatagramEndpoint> ParseEndpoint(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return std::nullopt;
    const auto port = ParseInt32(text.substr(colon + 1));
    if (!port || *port < 1 || *port > 65535)
        return std::nullopt;
    return DatagramEndpoint{text.substr(0, colon), static_cast<uint16_t>(*port)};
}

CliParse ParseCommandLine(int argc, char** argv) {
    CLI::App app{"Service tool for receipt printers on a serial port or UDP.", "printer-cli"};
    app.footer(std::string("Numbers may be decimal or hexadecimal after \"$\" or \"0x\".\n"
                           "The port \"TCP/IP\" talks to --udp instead of a serial port.\n\n") +
               kLogoNote + kExitCodes);
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("printer-cli ") + kProgramVersion);

    std::string baud = "9600";
    std::string udp = "127.0.0.1:9100";
    std::string match;
    CliRequest request;
    app.add_option("-p,--port", request.ports,
                   "serial port (COM1, /dev/ttyUSB0, ...) or TCP/IP; give it again for more "
                   "ports (default: the one USB serial port)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--match", match, "also every serial port with this USB id (VID:PID)");
    app.add_option("-b,--baud", baud,
                   "the rate the printer talks at now, in bit/s; \"auto\" tries 9600, the "
                   "transfer rate, then 19200, 38400, 57600 and 115200, says on stderr at which "
                   "rate the printer answered, and runs the job at it")
        ->capture_default_str();
    const CLI::Option* udpOption =
        app.add_option("--udp", udp, "HOST:PORT of the printer for the port TCP/IP")
            ->capture_default_str();
    std::string transferRate = "115200";
    app.add_option("--transfer-rate", transferRate,
                   "the rate of block transfers; a printer that does not take it gets 115200")
        ->capture_default_str();
    app.add_option("--log", request.logPath,
                   "write the debug log here (default: debug.log beside the program, or in the "
                   "user's data folder of printer-tool when the program's folder cannot be "
                   "written); "
                   "with several ports a folder of one log per port");
    app.add_flag("--json", request.json,
                 "print JSON Lines on stdout: progress and one result object (with several "
                 "ports one per port, then a summary)");
    app.add_flag("-q,--quiet", request.quiet, "print nothing but the result and errors");

    app.add_subcommand("ports", "list the serial ports of this machine");
    app.add_subcommand("identify", "identify the printer and print its identity");

    ParaOptions para;
    CLI::App* paraCommand = app.add_subcommand("para", "write the print parameters");
    paraCommand->add_option("--rate", para.rate, "line rate in bit/s")->capture_default_str();
    paraCommand->add_option("--codepage", para.codePage, "code page number")->capture_default_str();
    paraCommand->add_option("--density", para.density, "print density")
        ->check(Choices(kDensities))
        ->capture_default_str();
    paraCommand->add_option("--font", para.font, "default font")
        ->check(Choices(kFonts))
        ->capture_default_str();
    paraCommand->add_option("--line", para.line, "line-end character")
        ->check(Choices(kLineEnds))
        ->capture_default_str();
    paraCommand->add_option("--idle", para.idle, "idle time in seconds")->capture_default_str();
    paraCommand->add_option("--off", para.off, "power-off time in seconds")->capture_default_str();
    paraCommand->add_option("--max-feed", para.maxFeed, "maximum paper feed in mm")
        ->capture_default_str();
    paraCommand->add_option("--page-len", para.pageLength, "page length in mm")
        ->capture_default_str();

    TextPair bluetooth;
    CLI::App* bluetoothCommand =
        app.add_subcommand("bluetooth", "write the Bluetooth name and PIN");
    bluetoothCommand->add_option("--name", bluetooth.first, "device name")->required();
    bluetoothCommand->add_option("--pin", bluetooth.second, "PIN")->required();

    IrOptions ir;
    CLI::App* irCommand = app.add_subcommand("ir", "write the infrared settings");
    irCommand->add_option("--rate", ir.rate, "infrared line rate in bit/s")->capture_default_str();
    irCommand->add_option("--protocol", ir.protocol, "infrared protocol")
        ->check(Choices(kIrProtocols))
        ->capture_default_str();

    TextPair factory;
    CLI::App* factoryCommand =
        app.add_subcommand("factory", "write the model name and serial number");
    factoryCommand->add_option("--model", factory.first, "model name")->required();
    factoryCommand->add_option("--serial", factory.second, "serial number")->required();
    factoryCommand->add_flag("--step", request.stepSerial,
                             "give each further port the next serial number");

    std::string fontFile;
    bool fontDryRun = false;
    CLI::App* fontCommand =
        app.add_subcommand("font", "download a font image (command 0x63 from address 0)");
    fontCommand->add_option("FILE", fontFile, "the font image")->required();
    fontCommand->add_flag("--dry-run", fontDryRun, "check the file and show what would be sent");

    std::string downloadFile;
    std::string downloadCode;
    std::string downloadAddress = "0";
    bool downloadDryRun = false;
    CLI::App* downloadCommand =
        app.add_subcommand("download", "download a file in 256-byte blocks of any command");
    downloadCommand->add_option("--command", downloadCode, "the command code of every block")
        ->required();
    downloadCommand->add_option("--address", downloadAddress, "the address of the first block")
        ->capture_default_str();
    downloadCommand->add_option("FILE", downloadFile, "the file to send")->required();
    downloadCommand->add_flag("--dry-run", downloadDryRun,
                              "check the file and show what would be sent");

    std::string firmwareFile;
    bool firmwareDryRun = false;
    CLI::App* firmwareCommand =
        app.add_subcommand("firmware", "check a firmware image and write it into the printer");
    firmwareCommand->add_option("FILE", firmwareFile, "the firmware image")->required();
    firmwareCommand->add_flag("--dry-run", firmwareDryRun,
                              "check the image and show what would be sent");

    std::string checkFile;
    CLI::App* checkCommand = app.add_subcommand(
        "check-firmware", "check a firmware image without a printer (exit 0 valid, 2 not)");
    checkCommand->add_option("FILE", checkFile, "the firmware image")->required();

#ifdef PRINTER_CLI_LOGO
    LogoOptions logo;
    AddLogoCommand(app, logo);
#endif

    CliParse result;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        result.exitCode = app.exit(e) == 0 ? 0 : kExitUsage;
        return result;
    }

    // --udp alone means the port TCP/IP.
    if (request.ports.empty() && match.empty() && udpOption->count() > 0)
        request.ports.push_back("TCP/IP");
    if (!request.ports.empty())
        request.port = request.ports.front();
    if (!match.empty()) {
        const auto id = UsbIdText(match);
        if (!id) {
            result.exitCode = UsageError("--match: '" + match + "' is not VID:PID (\"0403:6001\")");
            return result;
        }
        request.match = *id;
    }
    if (CLI::detail::to_lower(baud) == "auto") {
        request.findRate = true;
    } else {
        const auto rate = ParseInt32(baud);
        if (!rate || *rate <= 0) {
            result.exitCode = UsageError("--baud: " + (rate ? "'" + baud + "' is not a line rate"
                                                            : InvalidIntegerMessage(baud)));
            return result;
        }
        request.rate = *rate;
    }
    const auto fast = ParseInt32(transferRate);
    if (!fast || *fast <= 0) {
        result.exitCode =
            UsageError("--transfer-rate: " + (fast ? "'" + transferRate + "' is not a line rate"
                                                   : InvalidIntegerMessage(transferRate)));
        return result;
    }
    request.transferRate = *fast;
    const auto endpoint = ParseEndpoint(udp);
    if (!endpoint) {
        result.exitCode = UsageError("--udp: '" + udp + "' is not HOST:PORT");
        return result;
    }
    request.endpoint = *endpoint;

    PackResult packed;
    const CLI::App* chosen = app.get_subcommands().front();
    const std::string name = chosen->get_name();
    if (name == "ports") {
        request.command = CliCommand::Ports;
    } else if (name == "identify") {
        request.command = CliCommand::Identify;
    } else if (name == "para") {
        const auto codePage = ParseInt32(para.codePage);
        if (!codePage) {
            result.exitCode = UsageError("--codepage: " + InvalidIntegerMessage(para.codePage));
            return result;
        }
        ParaSettings values;
        values.rateText = para.rate;
        values.codePageIndex = 0;
        values.densityIndex = IndexOf(kDensities, CLI::detail::to_lower(para.density));
        values.fontIndex = IndexOf(kFonts, CLI::detail::to_lower(para.font));
        values.lineEndIndex = IndexOf(kLineEnds, CLI::detail::to_lower(para.line));
        values.idleText = para.idle;
        values.offText = para.off;
        values.maxFeedText = para.maxFeed;
        values.pageText = para.pageLength;
        const int32_t numbers[] = {*codePage};
        packed = PackPrintParameters(values, numbers);
        request.settingName = "print parameters";
    } else if (name == "bluetooth") {
        packed = PackBluetooth({bluetooth.first, bluetooth.second});
        request.settingName = "Bluetooth name and PIN";
    } else if (name == "ir") {
        IrSettings values;
        values.rateText = ir.rate;
        values.protocolIndex = IndexOf(kIrProtocols, CLI::detail::to_lower(ir.protocol));
        packed = PackInfrared(values);
        request.settingName = "infrared settings";
    } else if (name == "font") {
        request.command = CliCommand::Download;
        request.download = {PathFromUtf8(fontFile), FileName(fontFile), "$63", "0"};
        request.dryRun = fontDryRun;
    } else if (name == "download") {
        if (auto bad =
                FirstNonInteger({{"--command", downloadCode}, {"--address", downloadAddress}})) {
            result.exitCode = UsageError(*bad);
            return result;
        }
        request.command = CliCommand::Download;
        request.download = {PathFromUtf8(downloadFile), FileName(downloadFile), downloadCode,
                            downloadAddress};
        request.dryRun = downloadDryRun;
    } else if (name == "firmware") {
        request.command = CliCommand::Firmware;
        request.firmwarePath = firmwareFile;
        request.dryRun = firmwareDryRun;
    } else if (name == "check-firmware") {
        request.command = CliCommand::CheckFirmware;
        request.firmwarePath = checkFile;
#ifdef PRINTER_CLI_LOGO
    } else if (name == "logo") {
        if (auto bad = FillLogoRequest(logo, request)) {
            result.exitCode = UsageError(*bad);
            return result;
        }
#endif
    } else if (name == "factory") {
        if (request.stepSerial && !StepSerialNumber(factory.second)) {
            result.exitCode =
                UsageError("--step: the serial number '" + factory.second + "' is not a number");
            return result;
        }
        packed = PackFactory({factory.first, factory.second});
        request.factory = FactorySettings{factory.first, factory.second};
        request.settingName = "model name and serial number";
    }
    if (!request.settingName.empty()) {
        if (!packed.payload) {
            result.exitCode = UsageError(name + ": " + packed.error);
            return result;
        }
        request.command = CliCommand::Setting;
        request.payload = *packed.payload;
    }
    request.arguments.assign(argv + std::min(argc, 1), argv + argc);
    result.request = request;
    return result;
}
