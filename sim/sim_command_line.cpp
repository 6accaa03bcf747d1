#include "sim_command_line.h"

#include <limits>
#include <optional>

#include "firmware_check.h"
#include "int_conversion.h"

namespace {

// A whole number within [0, max], in the tool's integer syntax (decimal, or
// hexadecimal after "$" or "0x").
bool ParseNumber(const std::string& text, uint64_t max, uint64_t& value) {
    const std::optional<int64_t> n = ParseInt64(text);
    if (!n || *n < 0 || static_cast<uint64_t>(*n) > max)
        return false;
    value = static_cast<uint64_t>(*n);
    return true;
}

template <typename T>
bool ParseInto(const std::string& what, const std::string& text, T& out, std::string& error,
               uint64_t max = std::numeric_limits<T>::max()) {
    uint64_t value = 0;
    if (!ParseNumber(text, max, value)) {
        error = what + " needs a whole number from 0 to " + std::to_string(max) + ", not '" + text +
                "'";
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

bool ParseUdpAddress(const std::string& text, SimUdpAddress& address, std::string& error) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        error = "--udp needs HOST:PORT, not '" + text + "'";
        return false;
    }
    address.host = text.substr(0, colon);
    // [::1]:9100 names an IPv6 host.
    if (address.host.size() > 2 && address.host.front() == '[' && address.host.back() == ']')
        address.host = address.host.substr(1, address.host.size() - 2);
    return ParseInto("--udp's port", text.substr(colon + 1), address.port, error);
}

}  // namespace

bool ParseSimFault(const std::string& faultText, SimFaults& faults, std::string& error) {
    const size_t equals = faultText.find('=');
    const std::string name = faultText.substr(0, equals);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? faultText.substr(equals + 1) : "";
    const std::string what = "--fault " + name;
    if (name == "bad-header" || name == "bad-data") {
        if (hasValue) {
            error = what + " takes no value";
            return false;
        }
        (name == "bad-header" ? faults.badHeaderCheck : faults.badDataCheck) = true;
        return true;
    }
    if (name == "answer-unknown") {
        if (hasValue) {
            error = what + " takes no value";
            return false;
        }
        faults.answerUnknown = true;
        return true;
    }
    if (!hasValue) {
        error = "--fault '" + faultText + "' is not a known fault (see --help)";
        return false;
    }
    constexpr uint64_t kIntMax = std::numeric_limits<int>::max();
    if (name == "silent-nth")
        return ParseInto(what, value, faults.silentNth, error, kIntMax);
    if (name == "noise")
        return ParseInto(what, value, faults.noiseBytes, error, 65536);
    if (name == "delay")
        return ParseInto(what, value, faults.replyDelayMs, error, kIntMax);
    if (name == "hang-up-after")
        return ParseInto(what, value, faults.hangUpAfterBlocks, error, kIntMax);
    if (name == "silent-command") {
        uint16_t code = 0;
        if (!ParseInto(what, value, code, error))
            return false;
        faults.silentCommand = code;
        return true;
    }
    if (name == "refuse-rate") {
        uint32_t rate = 0;
        if (!ParseInto(what, value, rate, error))
            return false;
        faults.refuseRate = rate;
        return true;
    }
    if (name == "identity") {
        faults.identity = value;
        return true;
    }
    error = "--fault '" + faultText + "' is not a known fault (see --help)";
    return false;
}

bool ParseSimCommandLine(const std::vector<std::string>& args, SimCommandLine& line,
                         std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--pace") {
            line.options.pace = true;
        } else if (arg == "--quiet") {
            line.quiet = true;
        } else if (arg == "--identity") {
            if (!value(line.options.identity))
                return false;
        } else if (arg == "--state-dir") {
            if (!value(line.options.stateDir))
                return false;
        } else if (arg == "--link") {
            if (!value(text))
                return false;
            line.linkPath = text;
        } else if (arg == "--rate") {
            if (!value(text) || !ParseInto(arg, text, line.options.rate, error))
                return false;
        } else if (arg == "--erase-ms") {
            if (!value(text) ||
                !ParseInto(arg, text, line.options.eraseMs, error, std::numeric_limits<int>::max()))
                return false;
        } else if (arg == "--latency-ms") {
            if (!value(text) || !ParseInto(arg, text, line.options.latencyMs, error, 255))
                return false;
        } else if (arg == "--logo-command") {
            if (!value(text) || !ParseInto(arg, text, line.options.logoCommand, error))
                return false;
        } else if (arg == "--udp") {
            SimUdpAddress address;
            if (!value(text) || !ParseUdpAddress(text, address, error))
                return false;
            line.udp = address;
        } else if (arg == "--make-firmware") {
            std::string path;
            if (!value(path) || !value(text) ||
                !ParseInto(arg, text, line.makeFirmwareSize, error, kSimMemorySize))
                return false;
            if (line.makeFirmwareSize < kFirmwareMinimumSize) {
                error = "--make-firmware: an image has at least " +
                        std::to_string(kFirmwareMinimumSize) + " bytes";
                return false;
            }
            line.makeFirmwarePath = path;
        } else if (arg == "--fault") {
            if (!value(text) || !ParseSimFault(text, line.faults, error))
                return false;
        } else {
            error = "unknown argument '" + arg + "' (see --help)";
            return false;
        }
    }
    if (line.udp && line.linkPath) {
        error = "--link names a pseudo-terminal and cannot go with --udp";
        return false;
    }
    if (std::string wrong = ValidateSimOptions(line.options); !wrong.empty()) {
        error = wrong;
        return false;
    }
    return true;
}

std::string SimUsage() {
    return R"(Usage: printer-sim [options]

A virtual receipt printer that answers the tool's command frames. By default
it serves a pseudo-terminal and prints the path of its slave side as the first
line; with --udp it answers datagrams and prints HOST:PORT instead.

Line:
  --link DIR/NAME       put a symbolic link to the pseudo-terminal into DIR
                        (made when missing), renamed into place as udev
                        does; removed at exit, with DIR when it made DIR and
                        DIR is then empty
  --udp HOST:PORT       serve UDP on HOST:PORT (port 0: any free port)
  --rate N              the printer's line rate at start (default 9600)
  --pace                every byte takes its wire time at the current rate
  --erase-ms N          wait N ms more before answering a block whose address
                        is a multiple of 4096
  --latency-ms N        hold each reply N ms before it leaves, as a USB serial
                        adapter's latency timer holds a short reply (FTDI: 16
                        ms unless lowered), 0 to 255

Printer:
  --identity TEXT       the answer to identify (default "ZDV 7714")
  --logo-command CODE   the logo block command (default 0x2D)
  --state-dir DIR       keep state.json, commands.json and memory-0xNN.bin in
                        DIR, rewritten after every command
  --quiet               no line per command on stderr

Faults (--fault may be given more than once):
  --fault silent-nth=N       no reply to the N-th command
  --fault silent-command=C   never answer command code C
  --fault bad-header         replies carry a wrong header check
  --fault bad-data           replies carry a wrong data check
  --fault noise=N            N noise bytes before every reply
  --fault delay=MS           every reply waits MS milliseconds
  --fault identity=TEXT      answer identify with TEXT
  --fault refuse-rate=RATE   no reply to a rate change to RATE
  --fault hang-up-after=N    hang the line up at the block after N blocks
  --fault answer-unknown     acknowledge a command the printer does not know
                             (outside download mode it stays silent)

Files:
  --make-firmware FILE SIZE  write a valid sample firmware image of SIZE bytes
                        (random body, its length and word sum set) and end

  --help                this text
  --version             the version

Numbers are decimal, or hexadecimal after "$" or "0x". SIGINT or SIGTERM ends it.
)";
}
