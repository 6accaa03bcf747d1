#include "link_options.h"

#include <algorithm>
#include <cctype>

#include "int_conversion.h"

struct SharedOptions::Values {
    std::vector<std::string> ports;
    std::string match;
    std::string baud = "9600";
    std::string udp = "127.0.0.1:9100";
    std::string transferRate = "115200";
    std::string logPath;
    std::string configPath;
    bool json = false;
    bool quiet = false;
};

namespace {

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

// --baud or --transfer-rate: a positive rate, or the usage error's message.
std::optional<std::string> ReadLineRate(const char* option, const std::string& text,
                                        int32_t& rate) {
    const auto parsed = ParseInt32(text);
    if (!parsed || *parsed <= 0)
        return std::string(option) + ": " +
               (parsed ? "'" + text + "' is not a line rate" : InvalidIntegerMessage(text));
    rate = *parsed;
    return std::nullopt;
}

}  // namespace

SharedOptions::SharedOptions() : values_(std::make_unique<Values>()) {}
SharedOptions::~SharedOptions() = default;

void SharedOptions::DeclareOnProgram(CLI::App& app) {
    Declare(app, shared_option::kEvery, "Options");
}

void SharedOptions::DeclareOnCommand(CLI::App& command, unsigned uses) {
    Declare(command, uses, "General options");
}

// Every place binds the same values. CLI11 sets the program's options before
// the command's, so a value given after the command wins; ports add up.
void SharedOptions::Declare(CLI::App& app, unsigned uses, const std::string& group) {
    namespace so = shared_option;
    Values& v = *values_;
    if (uses & so::kPort) {
        app.add_option_function<std::vector<std::string>>(
               "-p,--port",
               [&v](const std::vector<std::string>& ports) {
                   v.ports.insert(v.ports.end(), ports.begin(), ports.end());
               },
               "serial port (COM1, /dev/ttyUSB0, ...) or TCP/IP; give it again for more ports "
               "(default: the one USB serial port)")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->group(group);
    }
    if (uses & so::kMatch) {
        app.add_option("--match", v.match, "also every serial port with this USB id (VID:PID)")
            ->group(group);
    }
    if (uses & so::kBaud) {
        app.add_option("-b,--baud", v.baud,
                       "the rate the printer talks at now, in bit/s; \"auto\" tries 9600, the "
                       "transfer rate, then 19200, 38400, 57600 and 115200, says on stderr at "
                       "which rate the printer answered, and runs the job at it")
            ->capture_default_str()
            ->group(group);
    }
    if (uses & so::kUdp) {
        udpOptions_.push_back(
            app.add_option("--udp", v.udp, "HOST:PORT of the printer for the port TCP/IP")
                ->capture_default_str()
                ->group(group));
    }
    if (uses & so::kTransferRate) {
        app.add_option("--transfer-rate", v.transferRate,
                       "the rate of block transfers; a printer that does not take it gets 115200")
            ->capture_default_str()
            ->group(group);
    }
    if (uses & so::kLog) {
        app.add_option("--log", v.logPath,
                       "write the debug log here (default: debug.log beside a portable program, "
                       "in the user's data folder of printer-tool for an installed one); with "
                       "several ports a folder of one log per port")
            ->group(group);
    }
    if (uses & so::kJson) {
        app.add_flag("--json", v.json,
                     "print JSON Lines on stdout: progress and one result object (with several "
                     "ports one per port, then a summary)")
            ->group(group);
    }
    if (uses & so::kQuiet)
        app.add_flag("-q,--quiet", v.quiet, "print nothing but the result and errors")
            ->group(group);
    if (uses & so::kConfig) {
        app.add_option("--config", v.configPath,
                       "the window's configuration file (printer-tool.ini): the setting commands "
                       "take every value the command line leaves out from it")
            ->group(group);
    }
}

std::optional<std::string> SharedOptions::Read(CliRequest& request) const {
    const Values& link = *values_;
    const bool udpGiven = std::any_of(udpOptions_.begin(), udpOptions_.end(),
                                      [](const CLI::Option* udp) { return udp->count() > 0; });
    request.ports = link.ports;
    request.logPath = link.logPath;
    request.json = link.json;
    request.quiet = link.quiet;
    // --udp alone means the port TCP/IP.
    if (request.ports.empty() && link.match.empty() && udpGiven)
        request.ports.push_back("TCP/IP");
    if (!request.ports.empty())
        request.port = request.ports.front();
    if (!link.match.empty()) {
        const auto id = UsbIdText(link.match);
        if (!id)
            return "--match: '" + link.match + "' is not VID:PID (\"0403:6001\")";
        request.match = *id;
    }
    if (CLI::detail::to_lower(link.baud) == "auto") {
        request.findRate = true;
    } else if (auto error = ReadLineRate("--baud", link.baud, request.rate)) {
        return error;
    }
    if (auto error = ReadLineRate("--transfer-rate", link.transferRate, request.transferRate))
        return error;
    const auto endpoint = ParseEndpoint(link.udp);
    if (!endpoint)
        return "--udp: '" + link.udp + "' is not HOST:PORT";
    request.endpoint = *endpoint;
    return std::nullopt;
}

std::string SharedOptions::ConfigPath() const {
    return values_->configPath;
}

std::optional<DatagramEndpoint> ParseEndpoint(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return std::nullopt;
    const auto port = ParseInt32(text.substr(colon + 1));
    if (!port || *port < 1 || *port > 65535)
        return std::nullopt;
    return DatagramEndpoint{text.substr(0, colon), static_cast<uint16_t>(*port)};
}
