#include "link_options.h"

#include <cctype>
#include <memory>

#include "int_conversion.h"

namespace {

struct LinkOptions {
    std::vector<std::string> ports;
    std::string match;
    std::string baud = "9600";
    std::string udp = "127.0.0.1:9100";
    const CLI::Option* udpOption = nullptr;
    std::string transferRate = "115200";
    std::string logPath;
    bool json = false;
    bool quiet = false;
};

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

std::optional<std::string> ReadLink(const LinkOptions& link, CliRequest& request) {
    request.ports = link.ports;
    request.logPath = link.logPath;
    request.json = link.json;
    request.quiet = link.quiet;
    // --udp alone means the port TCP/IP.
    if (request.ports.empty() && link.match.empty() && link.udpOption->count() > 0)
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
    } else {
        const auto rate = ParseInt32(link.baud);
        if (!rate || *rate <= 0)
            return "--baud: " + (rate ? "'" + link.baud + "' is not a line rate"
                                      : InvalidIntegerMessage(link.baud));
        request.rate = *rate;
    }
    const auto fast = ParseInt32(link.transferRate);
    if (!fast || *fast <= 0)
        return "--transfer-rate: " + (fast ? "'" + link.transferRate + "' is not a line rate"
                                           : InvalidIntegerMessage(link.transferRate));
    request.transferRate = *fast;
    const auto endpoint = ParseEndpoint(link.udp);
    if (!endpoint)
        return "--udp: '" + link.udp + "' is not HOST:PORT";
    request.endpoint = *endpoint;
    return std::nullopt;
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

CommandReader AddLinkOptions(CLI::App& app) {
    auto link = std::make_shared<LinkOptions>();
    app.add_option("-p,--port", link->ports,
                   "serial port (COM1, /dev/ttyUSB0, ...) or TCP/IP; give it again for more "
                   "ports (default: the one USB serial port)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--match", link->match, "also every serial port with this USB id (VID:PID)");
    app.add_option("-b,--baud", link->baud,
                   "the rate the printer talks at now, in bit/s; \"auto\" tries 9600, the "
                   "transfer rate, then 19200, 38400, 57600 and 115200, says on stderr at which "
                   "rate the printer answered, and runs the job at it")
        ->capture_default_str();
    link->udpOption =
        app.add_option("--udp", link->udp, "HOST:PORT of the printer for the port TCP/IP")
            ->capture_default_str();
    app.add_option("--transfer-rate", link->transferRate,
                   "the rate of block transfers; a printer that does not take it gets 115200")
        ->capture_default_str();
    app.add_option("--log", link->logPath,
                   "write the debug log here (default: debug.log beside a portable program, in "
                   "the user's data folder of printer-tool for an installed one); with several "
                   "ports a folder of one log per port");
    app.add_flag("--json", link->json,
                 "print JSON Lines on stdout: progress and one result object (with several "
                 "ports one per port, then a summary)");
    app.add_flag("-q,--quiet", link->quiet, "print nothing but the result and errors");
    return [link](CliRequest& request, const ConfigDefaults&) { return ReadLink(*link, request); };
}
