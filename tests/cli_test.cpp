#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#ifdef PRINTER_CLI_LOGO
#include <QImage>

#include "logo_pictures.h"
#endif
#include "child_process.h"
#include "cli_request.h"
#include "cli_transfer.h"
#include "my_uart.h"
#include "port_display.h"
#include "progress_text.h"
#include "setting_refusals.h"
#include "virtual_printer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

CliParse Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "printer-cli");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

Bytes Sent(const SettingPayload& p) {
    return Bytes(p.Data.begin(), p.Data.begin() + p.Length);
}

TEST(CliParsing, ParaDefaultsAreTheWindowsDefaults) {
    const CliParse parsed = Parse({"para"});
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(parsed.request->command, CliCommand::Setting);
    EXPECT_EQ(parsed.request->port, "COM1");
    EXPECT_EQ(parsed.request->rate, 9600);
    EXPECT_EQ(parsed.request->payload.Command, 0x60u);
    EXPECT_EQ(Sent(parsed.request->payload),
              (Bytes{0x00, 0x00, 0x25, 0x80, 0, 1, 0, 0, 50, 0, 0, 0, 200, 0, 200, 0}));
}

TEST(CliParsing, ParaOptionsReachTheirBytes) {
    const CliParse parsed =
        Parse({"-p",     "TCP/IP",     "--udp", "localhost:9200", "para", "--rate",
               "$1C200", "--codepage", "0x2C",  "--density",      "DARK", "--font",
               "e",      "--line",     "cr",    "--idle",         "0x10", "--off",
               "5",      "--max-feed", "1",     "--page-len",     "65535"});
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(parsed.request->endpoint.host, "localhost");
    EXPECT_EQ(parsed.request->endpoint.port, 9200);
    EXPECT_EQ(Sent(parsed.request->payload),
              (Bytes{0x00, 0x01, 0xC2, 0x00, 0x2C, 2, 4, 1, 16, 0, 5, 0, 1, 0, 0xFF, 0xFF}));
}

TEST(CliParsing, BadInputIsAUsageErrorAndNamesTheText) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Parse({"para", "--idle", "5 "}).exitCode, 0);  // fields are trimmed, rates are not
    testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Parse({"para", "--rate", "9600 "}).exitCode, kExitUsage);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("'9600 ' is not a valid integer value"),
              std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-b", "fast", "identify"},
             {"--udp", "nohostport", "identify"},
             {"--udp", "h:70000", "identify"},
             {"para", "--font", "z"},
             {"identify", "--bogus"},
             {},
             {"para", "--codepage", "x"},
             {"factory", "--model", "M"},
             {"bluetooth", "--name", std::string(700, 'n'), "--pin", std::string(400, 'p')}}) {
        testing::internal::CaptureStderr();
        const CliParse parsed = Parse(args);
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(parsed.request);
        EXPECT_EQ(parsed.exitCode, kExitUsage) << (args.empty() ? "" : args.back());
    }
}

// A JSON caller reads stdout only: every refusal that exits 2, whether CLI11,
// a shared option or a command's own check finds it, is one result object.
TEST(CliParsing, EveryUsageErrorUnderJsonIsAResultObjectWithCodeTwo) {
    struct Case {
        std::vector<std::string> args;
        const char* reason;  // a part of the message
    };
    const Case cases[] = {
        {{"-b", "0", "--json", "identify"}, "--baud: '0' is not a line rate"},
        {{"--json", "para", "--codepage", "999"}, "--codepage"},
        {{"--json", "para", "--rate", "9600 "}, "'9600 ' is not a valid integer value"},
        {{"identify", "--json", "--bogus"}, "--bogus"},
        {{"--json", "para", "--font", "z"}, "--font"},
        {{"--json", "identify", "-p"}, "port"},
        {{"--json", "idenitfy"}, "did you mean 'identify'?"},
        {{"--json", "para", "--config", "/nonexistent/x.ini"}, "--config"},
        {{"--json"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const CliParse parsed = Parse(c.args);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(parsed.exitCode, kExitUsage);
        EXPECT_TRUE(err.empty()) << err;
        ASSERT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        const nlohmann::json result = nlohmann::json::parse(out);
        EXPECT_EQ(result.at("event"), "result");
        EXPECT_EQ(result.at("ok"), false);
        EXPECT_EQ(result.at("code"), kExitUsage);
        EXPECT_NE(result.at("message").get<std::string>().find(c.reason), std::string::npos) << out;
    }
    // The same line without --json stays on stderr.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Parse({"-b", "0", "identify"}).exitCode, kExitUsage);
    EXPECT_TRUE(testing::internal::GetCapturedStdout().empty());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("--baud"), std::string::npos);

    // check-firmware's refusal of an image carries the code too.
    const CliParse check = Parse({"check-firmware", "--json", "/nonexistent/firmware.bin"});
    ASSERT_TRUE(check.request);
    testing::internal::CaptureStdout();
    EXPECT_EQ(CheckFirmwareCommand(*check.request), kExitUsage);
    const nlohmann::json result = nlohmann::json::parse(testing::internal::GetCapturedStdout());
    EXPECT_EQ(result.at("code"), kExitUsage);
    EXPECT_EQ(result.at("ok"), false);
}

TEST(CliParsing, AMistypedCommandIsNamedWithTheNearestOne) {
    struct Case {
        const char* typed;
        const char* said;
    };
    const Case cases[] = {
        {"idenitfy", "'idenitfy' is not a command; did you mean 'identify'?"},
        {"bluetoth", "did you mean 'bluetooth'?"},
        {"frimware", "did you mean 'firmware'?"},
        {"reboot", "'reboot' is not a command; --help lists them"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const CliParse parsed = Parse({"-p", "COM3", c.typed, "--x"});
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(parsed.exitCode, kExitUsage) << c.typed;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
}

TEST(CliParsing, HelpListsTheExitCodes) {
    testing::internal::CaptureStdout();
    const CliParse parsed = Parse({"--help"});
    const std::string help = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(parsed.request);
    EXPECT_EQ(parsed.exitCode, 0);
    for (const char* line :
         {"Exit status:", "  2  usage error", "  3  a command got no valid reply",
          "  5  the device is not a supported printer", "  9  ", "code 10 (stopped)",
          "\"auto\" tries 9600"}) {
        EXPECT_NE(help.find(line), std::string::npos) << line;
    }
}

// The shared options may stand before the command or after it; after it,
// they win, and ports add up. A command refuses the ones that do not apply.
TEST(CliParsing, SharedOptionsStandBeforeOrAfterTheCommand) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> ports;
        int32_t rate;
        bool json;
    };
    const Case cases[] = {
        {{"identify", "-p", "COM3", "-b", "19200"}, {"COM3"}, 19200, false},
        {{"-p", "COM3", "-b", "19200", "identify", "--json"}, {"COM3"}, 19200, true},
        {{"-p", "A", "-b", "9600", "para", "-p", "B", "--baud=38400"}, {"A", "B"}, 38400, false},
        {{"font", "f.bin", "--transfer-rate", "230400", "-p", "/dev/ttyUSB0"},
         {"/dev/ttyUSB0"},
         9600,
         false},
        {{"doctor", "-p", "COM9"}, {"COM9"}, 9600, false},
        {{"ir", "--udp", "h:9", "--rate", "19200"}, {"TCP/IP"}, 9600, false},
    };
    for (const Case& c : cases) {
        const CliParse parsed = Parse(c.args);
        ASSERT_TRUE(parsed.request) << c.args.front();
        EXPECT_EQ(parsed.request->ports, c.ports) << c.args.front();
        EXPECT_EQ(parsed.request->rate, c.rate) << c.args.front();
        EXPECT_EQ(parsed.request->json, c.json) << c.args.front();
    }
    EXPECT_EQ(Parse({"font", "f.bin", "--transfer-rate", "230400"}).request->transferRate, 230400);

    const std::vector<std::vector<std::string>> refused = {
        {"ports", "-p", "COM3"},
        {"check-firmware", "f.bin", "-b", "9600"},
        {"identify", "--transfer-rate", "230400"},
        {"identify", "--config", "x.ini"},
    };
    for (const auto& args : refused) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(Parse(args).exitCode, kExitUsage) << args.front() << " " << args[1];
        testing::internal::GetCapturedStderr();
    }
    // --config after a setting command is read as before it.
    testing::internal::CaptureStderr();
    EXPECT_EQ(Parse({"para", "--config", "/nonexistent/x.ini"}).exitCode, kExitUsage);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("--config: /nonexistent/x.ini is not"),
              std::string::npos);
}

// Each command's help shows its own options and the shared ones that apply
// to it, and points to the exit statuses rather than repeating them.
TEST(CliParsing, EachCommandsHelpListsWhatAppliesToIt) {
    struct Case {
        const char* command;
        std::vector<const char*> shown;
        std::vector<const char*> notShown;
    };
    const Case cases[] = {
        {"identify",
         {"-p,--port", "-b,--baud", "--udp", "--log", "--json"},
         {"--transfer-rate", "--config"}},
        {"para", {"--rate", "-p,--port", "-b,--baud", "--config"}, {"--transfer-rate"}},
        {"font", {"FILE", "--dry-run", "-p,--port", "-b,--baud", "--transfer-rate"}, {"--config"}},
        {"ports", {"--json"}, {"-p,--port", "-b,--baud"}},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        const CliParse parsed = Parse({c.command, "--help"});
        const std::string help = testing::internal::GetCapturedStdout();
        EXPECT_EQ(parsed.exitCode, 0);
        for (const char* option : c.shown)
            EXPECT_NE(help.find(option), std::string::npos) << c.command << ": " << option;
        for (const char* option : c.notShown)
            EXPECT_EQ(help.find(option), std::string::npos) << c.command << ": " << option;
        EXPECT_NE(help.find("printer-cli --help"), std::string::npos) << c.command;
        EXPECT_EQ(help.find("the printer did not accept update mode"), std::string::npos)
            << c.command << " repeats the exit statuses";
    }
}

TEST(CliProgress, BarAndPlainLines) {
    EXPECT_EQ(ProgressPlainLine(1152, 2560), "45% (1152 of 2560 bytes)");
    EXPECT_EQ(ProgressDecile(255, 2560), 0);
    EXPECT_EQ(ProgressDecile(256, 2560), 1);
    EXPECT_EQ(ProgressDecile(2560, 2560), 10);
    EXPECT_EQ(ProgressDecile(0, 0), 0);
    const std::string bar = ProgressBarLine(1280, 2560, 2.0, 10);
    EXPECT_EQ(bar.substr(0, 17), "[#####.....]  50%");
    EXPECT_NE(bar.find("1280/2560 bytes"), std::string::npos);
    EXPECT_NE(bar.find("640 B/s"), std::string::npos);
    EXPECT_NE(bar.find("0:02 left"), std::string::npos);
    EXPECT_EQ(ProgressBarLine(2560, 2560, 1.0, 10).find("left"), std::string::npos);
}

// A bar line never reaches the terminal's last column, whatever its width:
// it would wrap, and every redraw would then start a new line.
TEST(CliProgress, TheBarFitsEveryTerminalWidth) {
    struct State {
        int64_t done, total;
        double seconds;
    };
    const State states[] = {{0, 1000, 0.0},
                            {450, 1000, 2.0},
                            {1000, 1000, 3.0},
                            {123456, 7654321, 0.4},
                            {5, 4294967295, 9000.0}};
    for (int columns : {1, 4, 8, 12, 20, 30, 40, 60, 80, 132, 250}) {
        for (const State& st : states) {
            const std::string line = FittedProgressLine(st.done, st.total, st.seconds, columns);
            const std::string where = std::to_string(columns) + " columns: " + line;
            EXPECT_LE(TextColumns(line), static_cast<size_t>(std::max(columns - 1, 0))) << where;
            // The percentage is the last to go.
            if (columns >= 6) {
                EXPECT_NE(line.find('%'), std::string::npos) << where;
            }
            if (columns >= 80 && st.done > 0 && st.done < st.total) {
                EXPECT_NE(line.find(" left"), std::string::npos) << where;
            }
        }
        // The bar keeps its width while the numbers beside it change theirs.
        const std::string start = FittedProgressLine(0, 1000, 0.0, columns);
        const std::string middle = FittedProgressLine(450, 1000, 2.0, columns);
        EXPECT_EQ(start.find(']'), middle.find(']')) << start << " / " << middle;
    }
    EXPECT_EQ(CutToColumns("COM3", 4), "COM3");
    EXPECT_EQ(CutToColumns("/dev/ttyUSB0", 8), "/dev/...");
    // Counted and cut by characters, never inside one.
    EXPECT_EQ(CutToColumns("Z\xC3\xBCrich-\xC3\xBC\xC3\xBC", 9), "Z\xC3\xBCrich-\xC3\xBC\xC3\xBC");
    EXPECT_EQ(CutToColumns("Z\xC3\xBCrich-\xC3\xBC\xC3\xBC", 8), "Z\xC3\xBCric...");
    EXPECT_EQ(CutToColumns("\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC", 4), "\xC3\xBC...");
}

// Several ports redraw their lines in place: each fits the terminal at its
// width at the time, names and messages included.
TEST(CliProgress, EachPortsLineFitsTheTerminalAtEachRedraw) {
    int columns = 100;
    PortDisplay display({"/dev/ttyUSB0", "/dev/serial/by-id/usb-\xC3\xBC-port0", "COM3"},
                        DisplayMode::Terminal, [&] { return columns; });
    testing::internal::CaptureStderr();
    for (int width : {100, 40, 24}) {
        columns = width;
        display.Progress(0, 512, 65536, 1.5);
        display.Status(1,
                       "no reply to the firmware block at 0x00001400 on a port with a long "
                       "name at 115200 bit/s after 3 tries");
        display.Progress(2, 65536, 65536, 6.0);
        display.Refresh();
    }
    const std::string drawn = testing::internal::GetCapturedStderr();
    std::istringstream lines(drawn);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        // Cursor-up, carriage return and erase-line go before each line.
        const size_t text = line.rfind("\x1b[K");
        ASSERT_NE(text, std::string::npos) << line;
        line = line.substr(text + 3);
        const int width = count < 3 ? 100 : count < 6 ? 40 : 24;
        EXPECT_LE(TextColumns(line), static_cast<size_t>(width - 1)) << width << ": " << line;
        ++count;
    }
    EXPECT_EQ(count, 9);
}

// printer-cli as a technician runs it, against a virtual printer.
struct CliAgainstPrinter : ::testing::Test {
    VirtualPrinter printer;
    fs::path logPath;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
        logPath = fs::temp_directory_path() /
                  ("cli-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log");
    }
    void TearDown() override { fs::remove(logPath); }

    ChildResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {PRINTER_CLI_PATH, "-p", printer.SlavePath(), "--log", logPath.string()});
        return RunChild(args);
    }
};

TEST_F(CliAgainstPrinter, IdentifyPrintsTheIdentity) {
    const ChildResult r = Cli({"identify"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "ZDV 7714\n");
    EXPECT_TRUE(fs::exists(logPath));
}

TEST_F(CliAgainstPrinter, EachSettingCommandReachesThePrinter) {
    ChildResult r = Cli({"para", "--rate", "19200", "--font", "b", "--idle", "30"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Cli({"bluetooth", "--name", "Till 3", "--pin", "0000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Cli({"ir", "--rate", "115200"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Cli({"factory", "--model", " M1 ", "--serial", "007"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("OK: model name and serial number written"), std::string::npos);

    const SimSettings s = printer.Settings();
    ASSERT_TRUE(s.print && s.bluetooth && s.infrared && s.factory);
    EXPECT_EQ(s.print->rate, 19200u);
    EXPECT_EQ(s.print->font, 1);
    EXPECT_EQ(s.print->idleSeconds, 30);
    EXPECT_EQ(s.bluetooth->name, "Till 3");
    EXPECT_EQ(s.bluetooth->pin, "0000");
    EXPECT_EQ(s.infrared->rate, 115200u);
    EXPECT_EQ(s.factory->model, "M1");
    EXPECT_EQ(s.factory->serial, "007");
}

TEST_F(CliAgainstPrinter, JsonOutputParsesBack) {
    const ChildResult r = Cli({"--json", "bluetooth", "--name", "A", "--pin", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    nlohmann::json result;
    while (std::getline(lines, line)) {
        const auto event = nlohmann::json::parse(line);  // every line is one JSON document
        if (event.at("event") == "result")
            result = event;
    }
    ASSERT_FALSE(result.is_null());
    EXPECT_EQ(result.at("ok"), true);
    EXPECT_EQ(result.at("code"), 0);
    EXPECT_EQ(result.at("port"), printer.SlavePath());
    EXPECT_EQ(result.at("rate"), 9600);
    EXPECT_EQ(result.at("identity"), "ZDV 7714");
    EXPECT_GE(result.at("elapsed").get<double>(), 0.0);
}

TEST_F(CliAgainstPrinter, EachFailureClassHasItsExitStatusAndAPlainReason) {
    ChildResult r = RunChild(
        {PRINTER_CLI_PATH, "-p", "/nonexistent/tty", "--log", logPath.string(), "identify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("could not be opened"), std::string::npos) << r.err;

    SimFaults silent;
    silent.silentCommand = 0x20;
    printer.SetFaults(silent);
    r = Cli({"identify"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("no reply to the identify query"), std::string::npos) << r.err;
    // A failure says where its frames are.
    EXPECT_NE(r.err.find("\nprinter-cli: debug log: " + logPath.string() + "\n"), std::string::npos)
        << r.err;

    SimFaults foreign;
    foreign.identity = "OTHER 01";
    printer.SetFaults(foreign);
    r = Cli({"--json", "identify"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(nlohmann::json::parse(r.out).at("log"), logPath.string());
    EXPECT_EQ(nlohmann::json::parse(r.out).at("message").get<std::string>().find(
                  "answered 'OTHER 01'") != std::string::npos,
              true);

    const size_t before = printer.CommandCount();
    r = Cli({"para", "--rate", "9600 "});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("'9600 ' is not a valid integer value"), std::string::npos) << r.err;
    EXPECT_EQ(printer.CommandCount(), before);  // nothing was sent
}

// A value its field cannot hold is refused before the port is opened: the
// printer hears nothing and the message names the option and what it takes.
TEST_F(CliAgainstPrinter, ValuesOutsideTheirFieldsAreRefusedUnsent) {
    struct Refused {
        std::vector<std::string> args;
        const char* reason;
    };
    std::vector<Refused> refused = {
        {{"para", "--codepage", "999"}, "--codepage: '999' is outside 0..255"},
        {{"para", "--idle", "99999999"}, "--idle: '99999999' is outside 0..65535"},
        {{"download", "--command", "0x10000", "x.bin"}, "--command: '0x10000' is outside 0..65535"},
    };
    for (const SettingRefusal& c : kSettingRefusals)
        refused.push_back({{c.command, std::string("--") + c.field, c.value}, c.cli});
    for (const Refused& c : refused) {
        const ChildResult r = Cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.reason;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_EQ(printer.CommandCount(), 0u);
}

// The last line of --json output, parsed; every line must parse.
nlohmann::json JsonResult(const std::string& out) {
    std::istringstream lines(out);
    std::string line;
    nlohmann::json last;
    while (std::getline(lines, line))
        last = nlohmann::json::parse(line);
    return last;
}

// --config: what the command line leaves out comes from the window's file,
// and the OK line lists every value written.
TEST_F(CliAgainstPrinter, ConfigFillsWhatTheCommandLineLeavesOut) {
    const fs::path ini = logPath.string() + ".ini";
    std::ofstream(ini) << "[PARA]\nBAUDRATE=38400\nDENSITY=2\nFONT=3\nLINEFEED=1\n"
                          "IDLE TIME=30\nOFF TIME=7\nMAX FEED=120\nPAGE LENGTH=90\nCODEPAGE=1\n"
                          "[BLUE TOOTH]\nDEVICE NAME=Till 9\nPIN=4321\n[IRCOMM]\nBAUDRATE=57600\n"
                          "[FACTORY]\nDEVICE NAME=QV-2\nSERIAL NO=0815\n"
                          "[CODEPAGE]\nCP437=0\nKatakana=1\nCP850=2\n";
    ChildResult r = Cli({"--config", ini.string(), "para", "--rate", "19200", "--off", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("rate 19200, codepage 1, codepage-name Katakana, density dark, font d, "
                         "line cr, idle 30, off 0, max-feed 120, page-len 90"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(printer.Settings().print, (SimPrintParameters{19200, 1, 2, 3, 1, 30, 0, 120, 90}));

    struct Filled {
        std::vector<std::string> args;
        const char* okLine;
    };
    const Filled filled[] = {
        {{"para", "--codepage", "cp850"}, "codepage 2, codepage-name CP850"},
        {{"bluetooth", "--pin", "1111"}, "name Till 9, pin 1111"},
        {{"ir"}, "rate 57600, protocol raw"},
        {{"factory", "--serial", "9"}, "model QV-2, serial 9"},
    };
    for (const Filled& c : filled) {
        std::vector<std::string> args = {"--config", ini.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        r = Cli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(c.okLine), std::string::npos) << r.out;
    }
    const SimSettings s = printer.Settings();
    ASSERT_TRUE(s.print && s.bluetooth && s.infrared && s.factory);
    EXPECT_EQ(s.print->codePage, 2);
    EXPECT_EQ(s.bluetooth->name, "Till 9");
    EXPECT_EQ(s.infrared->rate, 57600u);
    EXPECT_EQ(s.factory->model, "QV-2");

    // What neither the line nor the file gives, or a file value no field
    // holds, is refused unsent.
    const size_t before = printer.CommandCount();
    r = Cli({"factory", "--model", "M"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--serial is required"), std::string::npos) << r.err;
    r = Cli({"--config", ini.string(), "para", "--codepage", "CP999"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("'CP999' is neither a number nor a code page of"), std::string::npos);
    std::ofstream(ini) << "[PARA]\nDENSITY=5\n";
    r = Cli({"--config", ini.string(), "para"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--density ([PARA] DENSITY in"), std::string::npos) << r.err;
    EXPECT_EQ(printer.CommandCount(), before);

    r = Cli({"--json", "--config", ini.string(), "para", "--density", "low"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(JsonResult(r.out).at("values").at("density"), "low") << r.out;
    fs::remove(ini);
}

TEST_F(CliAgainstPrinter, TransferCommandsSendTheirFilesAndRefuseBadInputUnsent) {
    const fs::path folder = logPath.parent_path();
    const fs::path font = folder / ("cli-font-" + std::to_string(getpid()) + ".bin");
    const fs::path image = folder / ("cli-image-" + std::to_string(getpid()) + ".bin");
    std::vector<uint8_t> bytes(700);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 3);
    std::ofstream(font, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(700));
    ChildResult r = RunChild({PRINTER_SIM_PATH, "--make-firmware", image.string(), "1000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    // Bad input: exit 2 with the reason, and the printer never hears of it.
    struct Refused {
        std::vector<std::string> args;
        const char* reason;
    };
    const Refused refused[] = {
        {{"font", (folder / "missing.bin").string()}, "does not exist"},
        {{"download", "--command", "0x2D", "--address", "$FFFFFF00", font.string()},
         "address space"},
        {{"download", "--command", "2D", font.string()}, "'2D' is not a valid integer value"},
        {{"firmware", font.string()}, "not a valid firmware image"},
    };
    for (const Refused& c : refused) {
        r = Cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0];
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    r = RunChild({PRINTER_CLI_PATH, "check-firmware", font.string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("states a length of"), std::string::npos) << r.err;
    r = RunChild({PRINTER_CLI_PATH, "check-firmware", image.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = Cli({"font", "--dry-run", font.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("3 blocks from 0x00000000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("the last at 0x00000200"), std::string::npos) << r.out;
    EXPECT_EQ(printer.CommandCount(), 0u);

    r = Cli({"font", font.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("OK: cli-font-"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("100% (700 of 700 bytes)"), std::string::npos) << r.err;
    EXPECT_EQ(printer.Memory().at(0x63), bytes);

    r = Cli({"--json", "download", "--command", "$2D", "--address", "0x1000", font.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"({"done":700,"event":"progress","total":700})"), std::string::npos)
        << r.out;
    const std::vector<uint8_t> logo = printer.Memory().at(0x2D);
    EXPECT_EQ(std::vector<uint8_t>(logo.begin() + 0x1000, logo.end()), bytes);

    r = Cli({"firmware", image.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(printer.FirmwareAccepted());
    fs::remove(font);
    fs::remove(image);
}

// The OK line and the JSON result name the rate the blocks went at, which
// is neither the rate the printer was found at nor always the one asked for.
TEST_F(CliAgainstPrinter, ATransferSaysTheRateItsBlocksWentAt) {
    const fs::path font = logPath.parent_path() / ("cli-rate-" + std::to_string(getpid()) + ".bin");
    std::ofstream(font, std::ios::binary) << std::string(600, 'f');
    struct Case {
        std::vector<std::string> options;
        std::optional<uint32_t> refusedRate;
        int32_t blocksAt;
    };
    const Case cases[] = {
        {{}, std::nullopt, 115200},
        {{"--transfer-rate", "230400"}, std::nullopt, 230400},
        {{"--transfer-rate", "230400"}, 230400, 115200},  // the printer keeps to the standard one
    };
    for (const Case& c : cases) {
        SimFaults faults;
        faults.refuseRate = c.refusedRate;
        printer.SetFaults(faults);
        std::vector<std::string> args = c.options;
        args.insert(args.begin(), "--json");
        args.insert(args.end(), {"font", font.string()});
        const ChildResult r = Cli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const nlohmann::json result = JsonResult(r.out);
        const std::string at = " at " + std::to_string(c.blocksAt) + " bit/s in ";
        EXPECT_NE(result.at("message").get<std::string>().find(at), std::string::npos)
            << result.at("message");
        EXPECT_EQ(result.at("transferRate"), c.blocksAt);
        EXPECT_EQ(result.at("rate"), 9600);  // where the job found the printer
    }
    fs::remove(font);
}

TEST_F(CliAgainstPrinter, BadInputAndUnreachablePortsHaveHonestCodesAndSendNothing) {
    const fs::path folder = logPath.parent_path();
    const fs::path empty = folder / ("cli-empty-" + std::to_string(getpid()) + ".bin");
    std::ofstream(empty).close();
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* reason;
    };
    const Case cases[] = {
        {{"-b", "0", "identify"}, 2, "--baud: '0' is not a line rate"},
        {{"font", empty.string()}, 2, "is empty: there is nothing to send"},
        {{"--json", "font", (folder / "missing.bin").string()}, 2, "does not exist"},
        {{"--json", "identify"}, 1, "cannot resolve no-such-printer.invalid"},
    };
    for (const Case& c : cases) {
        // The last case: a UDP printer whose host does not resolve.
        const bool udp = c.code == 1;
        const ChildResult r =
            udp ? RunChild({PRINTER_CLI_PATH, "--udp", "no-such-printer.invalid:9100", "--log",
                            logPath.string(), "--json", "identify"})
                : Cli(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.reason;
        if (c.args.front() == "--json") {
            // A JSON caller gets the failure as a result object.
            const nlohmann::json result = JsonResult(r.out);
            EXPECT_EQ(result.at("code"), c.code) << r.out;
            EXPECT_NE(result.at("message").get<std::string>().find(c.reason), std::string::npos)
                << r.out;
        } else {
            EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(printer.CommandCount(), 0u);
    fs::remove(empty);
}

TEST_F(CliAgainstPrinter, JsonCarriesNamesThatAreNotUtf8) {
    const fs::path folder = logPath.parent_path();
    const std::string tag = std::to_string(getpid());
    const fs::path font = folder / ("font\xe9-" + tag + ".bin");
    const fs::path image = folder / ("fw\xe9-" + tag + ".bin");
    const Bytes bytes(300, 0x5A);
    std::ofstream(font, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(300));
    ASSERT_EQ(RunChild({PRINTER_SIM_PATH, "--make-firmware", image.string(), "1024"}).exitCode, 0);

    ChildResult r = Cli({"--json", "font", font.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(JsonResult(r.out).at("ok"), true) << r.out;
    EXPECT_EQ(printer.Memory().at(0x63), bytes);
    r = Cli({"--json", "firmware", image.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(JsonResult(r.out).at("ok"), true) << r.out;
    EXPECT_TRUE(printer.FirmwareAccepted());
    r = RunChild(
        {PRINTER_CLI_PATH, "-p", "/dev/tty\xe9", "--log", logPath.string(), "--json", "identify"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(JsonResult(r.out).at("code"), 1) << r.out;
    fs::remove(font);
    fs::remove(image);
}

TEST(CliAutoRate, FindsAPrinterLeftAtTheTransferRateAndWorksThere) {
    VirtualPrinter printer(SimOptions{.rate = 115200});
    std::string error;
    ASSERT_TRUE(printer.StartPty(error)) << error;
    const fs::path folder = fs::temp_directory_path();
    const fs::path font = folder / ("cli-auto-" + std::to_string(getpid()) + ".bin");
    const fs::path log = folder / ("cli-auto-" + std::to_string(getpid()) + ".log");
    const Bytes bytes(300, 0x33);
    std::ofstream(font, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(300));
    const ChildResult r = RunChild({PRINTER_CLI_PATH, "-p", printer.SlavePath(), "-b", "auto",
                                    "--log", log.string(), "--json", "font", font.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("the printer answered at 115200 bit/s"), std::string::npos) << r.err;
    EXPECT_EQ(JsonResult(r.out).at("rate"), 115200) << r.out;
    // Heard only at its own rate: one identify, then the download without a
    // rate command.
    const auto commands = printer.Commands();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].code, 0x20);
    EXPECT_EQ(commands[1].code, 0x2F);
    EXPECT_EQ(printer.Memory().at(0x63), bytes);
    fs::remove(font);
    fs::remove(log);
}

#ifdef PRINTER_CLI_LOGO
TEST_F(CliAgainstPrinter, LogoSendsTheComposedImageAndRefusesBadPicturesUnsent) {
    const fs::path folder = fs::temp_directory_path() / ("cli-logo-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const auto picture = [&](const char* name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
        image.setPixel(0, 0, qRgb(255, 255, 255));
        const fs::path path = folder / name;
        EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "BMP"));
        return path.string();
    };
    const std::string shop = picture("shop.bmp", 100, 50);
    const std::string line = picture("line.bmp", 9, 1);
    const std::string wide = picture("wide.bmp", 385, 1);
    std::ofstream(folder / "text.bmp") << "not a picture";
    const std::string text = (folder / "text.bmp").string();

    struct Refused {
        std::vector<std::string> args;
        const char* reason;
    };
    const Refused refused[] = {
        {{"logo", shop, wide}, "wide.bmp is 385 x 1 dots"},
        {{"logo", shop, text}, "text.bmp is not a picture"},
        {{"logo", "--size", "700", shop}, "shop.bmp does not fit"},
        {{"logo", "--width", "wide", shop}, "--width: 'wide' is not a valid integer value"},
    };
    for (const Refused& c : refused) {
        const ChildResult r = Cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.reason;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_EQ(printer.CommandCount(), 0u);

    const LogoBuild expected = BuildLogoImageFromFiles(
        std::vector<LogoFile>{{shop, "shop"}, {line, "line"}}, LogoLimits{});
    ASSERT_TRUE(expected.Ok());
    // A dry run needs no port.
    const fs::path output = folder / "logo.bin";
    const fs::path preview = folder / "logo.png";
    ChildResult r =
        RunChild({PRINTER_CLI_PATH, "-p", "/nonexistent/tty", "logo", "--dry-run", "--output",
                  output.string(), "--preview", preview.string(), shop, line});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("SPACE: 0,755 Used, 64,781 Free"), std::string::npos) << r.out;
    std::ifstream in(output, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), expected.image);
    EXPECT_FALSE(QImage(QString::fromStdString(preview.string())).isNull());

    r = Cli({"logo", shop, line});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Bytes stored = printer.Memory().at(0x2D);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + static_cast<long>(expected.image.size())),
              expected.image);
    fs::remove_all(folder);
}

TEST(CliLogoDots, EachConversionComposesItsDotsAndBlueAdvisesWhereItMisleads) {
    const fs::path folder = fs::temp_directory_path() / ("cli-dots-" + std::to_string(getpid()));
    fs::create_directories(folder);
    // A navy ring on transparent: nothing under the blue rule. And a
    // black-and-white picture, on which the rules agree.
    QImage ring(40, 40, QImage::Format_ARGB32);
    ring.fill(Qt::transparent);
    for (int y = 10; y < 30; ++y) {
        for (int x = 10; x < 30; ++x)
            ring.setPixel(x, y, qRgba(0, 0, 128, 255));
    }
    QImage plain(16, 16, QImage::Format_RGB32);
    plain.fill(Qt::white);
    plain.setPixel(3, 3, qRgb(0, 0, 0));
    const std::string navy = (folder / "navy.png").string();
    const std::string bw = (folder / "bw.png").string();
    ASSERT_TRUE(ring.save(QString::fromStdString(navy)) && plain.save(QString::fromStdString(bw)));
    const std::vector<LogoFile> files = {{navy, navy}, {bw, bw}};

    const fs::path output = folder / "logo.bin";
    struct Case {
        std::vector<std::string> dots;  // the option, or none
        LogoDots expected;
        bool advice;
    };
    const Case cases[] = {
        {{}, LogoDots::Blue, true},
        {{"--dots", "blue"}, LogoDots::Blue, true},
        {{"--dots", "Brightness"}, LogoDots::Brightness, false},
        {{"--dots", "dither"}, LogoDots::Dither, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dots.empty() ? "default" : c.dots[1]);
        std::vector<std::string> args = {PRINTER_CLI_PATH, "logo", "--dry-run", "--output",
                                         output.string()};
        args.insert(args.end(), c.dots.begin(), c.dots.end());
        args.insert(args.end(), {navy, bw});
        const ChildResult r = RunChild(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::ifstream in(output, std::ios::binary);
        EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}),
                  BuildLogoImageFromFiles(files, {}, c.expected).image);
        EXPECT_NE(r.out.find("wrote " + output.string()), std::string::npos) << r.out;
        const std::string line =
            navy +
            ": the blue rule and brightness disagree on 25% of its pixels; try --dots "
            "brightness";
        EXPECT_EQ(r.err.find(line) != std::string::npos, c.advice) << r.err;
        EXPECT_EQ(r.err.find(bw + ":"), std::string::npos) << r.err;
    }
    const ChildResult r = RunChild({PRINTER_CLI_PATH, "logo", "--dry-run", "--dots", "grey", bw});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--dots"), std::string::npos) << r.err;
    fs::remove_all(folder);
}
#endif

TEST(CliInterrupt, CtrlCOrAHangUpStopsATransferAfterTheBlockInFlightAndSaysWhereItStopped) {
    // A paced printer: 64 KiB take about six seconds, the signal comes after
    // one. (timeout --foreground signals the program once; without it a
    // second signal goes to the whole group, which is a second Ctrl-C.)
    for (const char* signal : {"INT", "HUP"}) {
        SCOPED_TRACE(signal);
        VirtualPrinter printer(SimOptions{.rate = 115200, .pace = true});
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
        const fs::path folder = fs::temp_directory_path();
        const fs::path image = folder / ("cli-stop-" + std::to_string(getpid()) + ".bin");
        const fs::path log = folder / ("cli-stop-" + std::to_string(getpid()) + ".log");
        ChildResult r = RunChild({PRINTER_SIM_PATH, "--make-firmware", image.string(), "65536"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        r = RunChild({"/usr/bin/timeout", "--foreground", "--preserve-status", "-s", signal, "1",
                      PRINTER_CLI_PATH, "-p", printer.SlavePath(), "-b", "115200", "--log",
                      log.string(), "firmware", image.string()});
        EXPECT_EQ(r.exitCode, 130) << r.err;
        EXPECT_NE(r.err.find("interrupted after block "), std::string::npos) << r.err;
        // Where the printer is, and the command that reaches it there.
        EXPECT_NE(r.err.find("; the printer is still in update mode at 115200 bit/s: to reach "
                             "it, run the command again with -b 115200: printer-cli -b 115200 -p " +
                             printer.SlavePath() + " --log "),
                  std::string::npos)
            << r.err;
        const auto commands = printer.Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.back().code, 0x2E);  // no closing mode command after a stop
        EXPECT_LT(commands.size(), 200u);
        EXPECT_FALSE(printer.FirmwareAccepted());
        EXPECT_TRUE(fs::exists(log));  // the debug log was written
        // The port was closed: it opens again at once.
        TMyUart again;
        EXPECT_TRUE(again.Open(printer.SlavePath(), 9600)) << again.LastError();
        fs::remove(image);
        fs::remove(log);
    }
}

TEST(CliInterrupt, AReaderThatGoesAwayDoesNotEndTheUpdate) {
    // `| head -n 2` closes the pipe after two progress lines; the update
    // goes on to its end and the log is written.
    VirtualPrinter printer(SimOptions{.rate = 115200, .pace = true});
    std::string error;
    ASSERT_TRUE(printer.StartPty(error)) << error;
    const fs::path folder = fs::temp_directory_path();
    const fs::path image = folder / ("cli-pipe-" + std::to_string(getpid()) + ".bin");
    const fs::path log = folder / ("cli-pipe-" + std::to_string(getpid()) + ".log");
    ChildResult r = RunChild({PRINTER_SIM_PATH, "--make-firmware", image.string(), "8192"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunChild({"/bin/bash", "-c", "\"$@\" | head -n 2 >/dev/null; exit ${PIPESTATUS[0]}",
                  "printer-cli", PRINTER_CLI_PATH, "-p", printer.SlavePath(), "-b", "115200",
                  "--log", log.string(), "--json", "firmware", image.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(printer.FirmwareAccepted());
    EXPECT_TRUE(fs::exists(log));
    fs::remove(image);
    fs::remove(log);
}

}  // namespace
