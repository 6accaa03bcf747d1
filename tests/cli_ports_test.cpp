// printer-cli on several ports: which ports, which serial numbers and logs,
// and a parallel run against virtual printers where one port is bad.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "child_process.h"
#include "port_plan.h"
#include "port_selection.h"
#include "virtual_printer.h"

namespace {

namespace fs = std::filesystem;
using Ports = std::vector<std::string>;

TEST(CliPortSelection, GivenMatchedOrTheOneUsbPort) {
    const std::vector<PortInfo> machine = {{"/dev/ttyS0", "", ""},
                                           {"/dev/ttyUSB10", "FT232R", "0403:6001"},
                                           {"/dev/ttyACM0", "CDC", "2e8a:000a"},
                                           {"/dev/ttyUSB2", "FT232R", "0403:6001"}};
    const std::vector<PortInfo> oneUsb = {{"/dev/ttyS0", "", ""},
                                          {"/dev/ttyACM0", "CDC", "2e8a:000a"}};
    const std::vector<PortInfo> noUsb = {{"/dev/ttyS0", "", ""}};
    struct Case {
        const char* name;
        Ports given;
        std::string match;
        std::vector<PortInfo> available;
        Ports expected;       // empty: an error
        std::string message;  // in the note or the error
    };
    const Case cases[] = {
        {"given, in their order", {"COM3", "COM1"}, "", machine, {"COM3", "COM1"}, ""},
        {"match, numbers as numbers",
         {},
         "0403:6001",
         machine,
         {"/dev/ttyUSB2", "/dev/ttyUSB10"},
         ""},
        {"given first, then matched",
         {"/dev/ttyUSB10", "COM7"},
         "0403:6001",
         machine,
         {"/dev/ttyUSB10", "COM7", "/dev/ttyUSB2"},
         ""},
        {"match finds none", {}, "1a86:7523", machine, {}, "/dev/ttyUSB2\tFT232R\tUSB 0403:6001"},
        {"the one USB port",
         {},
         "",
         oneUsb,
         {"/dev/ttyACM0"},
         "using /dev/ttyACM0 (USB 2e8a:000a)"},
        {"no USB port",
         {},
         "",
         noUsb,
         {},
         "no USB serial port found; give the printer's with --port"},
        {"several USB ports", {}, "", machine, {}, "several USB serial ports"},
        {"a port twice", {"COM3", "COM3"}, "", machine, {}, "COM3 is given twice"},
    };
    for (const Case& c : cases) {
        const PortChoice choice = ChoosePorts(c.given, c.match, c.available);
        EXPECT_EQ(choice.ports, c.expected) << c.name;
        EXPECT_EQ(choice.error.empty(), !c.expected.empty()) << c.name;
        EXPECT_NE((choice.note + choice.error).find(c.message), std::string::npos)
            << c.name << ": " << choice.note << choice.error;
    }
    EXPECT_EQ(PortFileName("/dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortFileName("\\\\.\\COM10"), "COM10");
    EXPECT_EQ(PortFileName("/dev/serial/by-id/usb-FTDI:1"), "serial_by-id_usb-FTDI_1");
    EXPECT_EQ(PortFileName("TCP/IP"), "TCP_IP");
    // Windows device names, in any case and with any extension, are never
    // file names.
    for (const char* device : {"COM7.log", "com1.log", "LPT2", "nul.txt", "Aux", "CON.x.y"})
        EXPECT_EQ(NotADeviceName(device), std::string("port-") + device);
    for (const char* plain : {"COM10.log", "COMX.log", "ttyS0.log", "CONSOLE"})
        EXPECT_EQ(NotADeviceName(plain), plain);
}

// The serial number in a factory payload: after the model name and its 0.
std::string SerialIn(const CliRequest& request) {
    const auto& data = request.payload.Data;
    const auto* end = data.data() + request.payload.Length;
    const auto* zero = std::find(data.data(), end, uint8_t{0});
    return std::string(zero + 1, end);
}

TEST(CliPortPlan, SerialsStepAcrossPortsAndEachPortGetsItsLog) {
    struct Case {
        std::string first;
        size_t count;
        std::optional<Ports> expected;
    };
    const Case cases[] = {
        {"41", 3, Ports{"41", "42", "43"}},
        {"007", 3, Ports{"007", "8", "9"}},  // the "+" button writes decimal back
        {"$FF", 2, Ports{"$FF", "256"}},
        {"9223372036854775807", 2, Ports{"9223372036854775807", "-9223372036854775808"}},
        {"SN-1", 1, Ports{"SN-1"}},  // one port needs no step
        {"SN-1", 2, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SteppedSerials(c.first, c.count), c.expected) << c.first << " x" << c.count;

    CliRequest request;
    request.command = CliCommand::Setting;
    request.factory = FactorySettings{"M1", "0099"};
    request.stepSerial = true;
    const fs::path folder = fs::temp_directory_path() / "cli-plan-logs";
    request.logPath = folder.string();
    const PortPlan plan = PlanPorts(request, {"/dev/ttyUSB1", "COM2"}, "/opt/tool");
    ASSERT_TRUE(plan.error.empty()) << plan.error;
    ASSERT_EQ(plan.requests.size(), 2u);
    EXPECT_EQ(SerialIn(plan.requests[0]), "0099");
    EXPECT_EQ(SerialIn(plan.requests[1]), "100");
    EXPECT_EQ(plan.requests[1].port, "COM2");
    EXPECT_EQ(fs::path(plan.requests[0].logPath), folder / "ttyUSB1.log");
    EXPECT_EQ(fs::path(plan.requests[1].logPath), folder / "port-COM2.log");
    EXPECT_EQ(plan.logFolder, folder);

    request.stepSerial = false;
    request.logPath.clear();
    const PortPlan plain = PlanPorts(request, {"/dev/ttyUSB1", "COM2"}, "/opt/tool");
    EXPECT_EQ(SerialIn(plain.requests[1]), "0099");
    EXPECT_EQ(fs::path(plain.requests[1].logPath), fs::path("/opt/tool") / "debug-COM2.log");
    EXPECT_TRUE(PlanPorts(request, {"COM2"}, "/opt/tool").requests[0].logPath.empty());

    // A file cannot hold the logs of several ports; one port may write it.
    const fs::path file = fs::temp_directory_path() / ("cli-plan-" + std::to_string(getpid()));
    std::ofstream(file) << "x";
    request.logPath = file.string();
    EXPECT_NE(PlanPorts(request, {"COM1", "COM2"}, "").error.find("several ports need a folder"),
              std::string::npos);
    EXPECT_EQ(PlanPorts(request, {"COM1"}, "").requests.at(0).logPath, file.string());
    // Two ports whose logs would be one file.
    request.logPath.clear();
    EXPECT_NE(PlanPorts(request, {"/dev/a:1", "/dev/a_1"}, "").error.find("share"),
              std::string::npos);
    fs::remove(file);
}

// Several virtual printers, each on its own pseudo-terminal.
struct CliOnSeveralPorts : ::testing::Test {
    std::vector<std::unique_ptr<VirtualPrinter>> printers;
    fs::path folder;

    void SetUp() override {
        folder = fs::temp_directory_path() / ("cli-ports-" + std::to_string(getpid()));
        fs::remove_all(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    VirtualPrinter& AddPrinter(SimOptions options = {}) {
        printers.push_back(std::make_unique<VirtualPrinter>(options));
        std::string error;
        EXPECT_TRUE(printers.back()->StartPty(error)) << error;
        return *printers.back();
    }
};

TEST_F(CliOnSeveralPorts, BadPortsFailAloneAndTheFirstFailureInOrderIsTheExitStatus) {
    VirtualPrinter& first = AddPrinter();
    VirtualPrinter& foreign = AddPrinter();
    SimFaults faults;
    faults.identity = "OTHER 01";
    foreign.SetFaults(faults);
    VirtualPrinter& last = AddPrinter();
    const std::string missing = "/nonexistent/ttyX";
    const Ports order = {first.SlavePath(), foreign.SlavePath(), missing, last.SlavePath()};
    std::vector<std::string> args = {PRINTER_CLI_PATH};
    for (const std::string& port : order)
        args.insert(args.end(), {"-p", port});
    args.insert(args.end(), {"--log", (folder / "logs").string(), "factory", "--model", "M1",
                             "--serial", "41", "--step"});

    const ChildResult r = RunChild(args);
    EXPECT_EQ(r.exitCode, 5) << r.err;  // the foreign printer comes before the missing port
    ASSERT_TRUE(first.Settings().factory && last.Settings().factory);
    EXPECT_EQ(first.Settings().factory->serial, "41");
    EXPECT_EQ(last.Settings().factory->serial, "44");
    EXPECT_FALSE(foreign.Settings().factory);

    // The summary: a row per port in order, with its serial and its reason.
    std::istringstream table(r.out);
    std::string header;
    std::getline(table, header);
    EXPECT_EQ(header.rfind("PORT", 0), 0u) << r.out;
    const struct {
        std::string result;
        std::string serial;
        std::string reason;
    } rows[] = {{"OK", "41", ""},
                {"error 5", "42", "answered 'OTHER 01'"},
                {"error 1", "43", "could not be opened"},
                {"OK", "44", ""}};
    for (size_t i = 0; i < order.size(); ++i) {
        std::string line;
        ASSERT_TRUE(std::getline(table, line)) << r.out;
        std::istringstream cells(line);
        std::string port, result, code;
        cells >> port >> result;
        if (result == "error")
            cells >> code;
        EXPECT_EQ(port, order[i]);
        EXPECT_EQ(code.empty() ? result : result + " " + code, rows[i].result) << line;
        EXPECT_NE(line.find("  " + rows[i].serial), std::string::npos) << line;
        EXPECT_NE(line.find(rows[i].reason), std::string::npos) << line;
    }
    // In a pipe, each port's lines carry its name.
    EXPECT_NE(r.err.find(missing + ": error 1"), std::string::npos) << r.err;

    // One log per port, named after it, each about its own port.
    for (const VirtualPrinter* printer : {&first, &last}) {
        std::ifstream log(folder / "logs" / (PortFileName(printer->SlavePath()) + ".log"));
        std::string opening;
        std::getline(log, opening);
        EXPECT_EQ(opening.rfind("OPEN " + printer->SlavePath() + " ", 0), 0u) << opening;
    }
    EXPECT_TRUE(fs::exists(folder / "logs" / "nonexistent_ttyX.log"));
    // Each failed port names its own log; a port that went well, none.
    EXPECT_NE(
        r.err.find(missing + ": debug log: " + (folder / "logs" / "nonexistent_ttyX.log").string()),
        std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(first.SlavePath() + ": debug log:"), std::string::npos) << r.err;

    // JSON: every event names its port; the summary gives the exit status.
    const ChildResult json = RunChild({PRINTER_CLI_PATH, "--json", "-p", first.SlavePath(), "-p",
                                       missing, "--log", (folder / "logs").string(), "identify"});
    EXPECT_EQ(json.exitCode, 1);
    std::istringstream lines(json.out);
    std::string line;
    nlohmann::json summary;
    while (std::getline(lines, line)) {
        const auto event = nlohmann::json::parse(line);
        if (event.at("event") == "summary")
            summary = event;
        else
            EXPECT_TRUE(event.contains("port")) << line;
    }
    ASSERT_FALSE(summary.is_null()) << json.out;
    EXPECT_EQ(summary.at("code"), 1);
    EXPECT_EQ(summary.at("ports").at(0).at("detail"), "ZDV 7714");
}

TEST_F(CliOnSeveralPorts, CtrlCStopsEveryTransferAfterItsBlockInFlight) {
    // Paced printers: 64 KiB take about six seconds, the interrupt comes
    // after one (see CliInterrupt in cli_test.cpp for the timeout options).
    const SimOptions paced{.rate = 115200, .pace = true};
    AddPrinter(paced);
    AddPrinter(paced);
    fs::create_directories(folder);
    const fs::path image = folder / "image.bin";
    ChildResult r = RunChild({PRINTER_SIM_PATH, "--make-firmware", image.string(), "65536"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunChild({"/usr/bin/timeout", "--foreground", "--preserve-status", "-s", "INT", "1",
                  PRINTER_CLI_PATH, "-p", printers[0]->SlavePath(), "-p", printers[1]->SlavePath(),
                  "-b", "115200", "--log", (folder / "logs").string(), "firmware", image.string()});
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;  // header and two rows
    for (const auto& printer : printers) {
        // The table pads the names to the longest (/dev/pts/9 beside /dev/pts/10).
        const size_t row = r.out.find("\n" + printer->SlavePath() + " ");
        ASSERT_NE(row, std::string::npos) << r.out;
        const size_t result = r.out.find_first_not_of(' ', row + 1 + printer->SlavePath().size());
        EXPECT_EQ(r.out.compare(result, 7, "stopped"), 0) << r.out;
        const auto commands = printer->Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.back().code, 0x2E);
        EXPECT_LT(commands.size(), 200u);
        EXPECT_FALSE(printer->FirmwareAccepted());
    }
}

}  // namespace
