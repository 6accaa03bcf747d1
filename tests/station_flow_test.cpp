// printer-cli station as an operator runs it: virtual printers plugged into
// and pulled from a slots folder, Ctrl-C, a range that runs out; then its
// report, checked against what each printer holds.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "child_process.h"
#include "report.h"
#include "station_bench.h"

namespace {

namespace fs = std::filesystem;
using Clock = SpawnedProgram::Clock;
using std::chrono::seconds;

// Generous: a loaded machine may be slow, never wrong.
constexpr seconds kGenerous{30};

const std::string kExample = std::string(PT_STATION_DATA) + "/example.toml";

// The report's rows as column -> value.
std::vector<std::map<std::string, std::string>> ReportRows(const fs::path& ledger) {
    const auto records = ReportCsv(ledger);
    std::vector<std::map<std::string, std::string>> rows;
    if (records.empty() || records.front() != ReportColumns())
        return rows;
    for (size_t r = 1; r < records.size(); ++r) {
        std::map<std::string, std::string> row;
        for (size_t c = 0; c < records[r].size() && c < records.front().size(); ++c)
            row[records.front()[c]] = records[r][c];
        rows.push_back(row);
    }
    return rows;
}

TEST(StationFlow, CheckPrintsThePlanOrEveryProblemAndSendsNothing) {
    const ChildResult plan = RunChild({PRINTER_CLI_PATH, "station", "--check", kExample});
    EXPECT_EQ(plan.exitCode, 0) << plan.err;
    for (const char* step : {"firmware", "font", "logo", "para", "bluetooth", "ir", "factory"})
        EXPECT_NE(plan.out.find(std::string("\n  ") + step), std::string::npos) << step;
    EXPECT_NE(plan.out.find("line time: "), std::string::npos) << plan.out;

    const fs::path folder = FreshStationFolder("check");
    std::ofstream(folder / "bad.toml") << "rate = 12345\n[para]\nidle = -1\n";
    const ChildResult bad = RunChild(
        {PRINTER_CLI_PATH, "station", "--check", (folder / "bad.toml").string(), "--json"});
    EXPECT_EQ(bad.exitCode, 2);
    const nlohmann::json result = nlohmann::json::parse(bad.out, nullptr, false);
    ASSERT_FALSE(result.is_discarded()) << bad.out;
    EXPECT_EQ(result["problems"].size(), 2u) << bad.out;
    fs::remove_all(folder);
}

TEST(StationFlow, TheExampleProvisionsTwoPrintersThenAThirdInTheFreedSlot) {
    const fs::path folder = FreshStationFolder("flow");
    const fs::path slots = folder / "slots";  // the first printer makes it
    const fs::path ledger = folder / "ledger.sqlite";
    StationProgram station({kExample, "--slots", slots.string(), "--ledger", ledger.string(),
                            "--station", "flow", "--json", "--settle-ms", "200"});
    PluggedPrinter first(slots / "usb-1", folder / "printer-1");
    PluggedPrinter second(slots / "usb-2", folder / "printer-2");
    std::map<int64_t, const PluggedPrinter*> printerOfUnit;
    for (int i = 0; i < 2; ++i) {
        const auto result = station.Next("result", Clock::now() + kGenerous);
        ASSERT_TRUE(result) << "no result for the first two printers";
        EXPECT_EQ((*result)["result"], "pass") << result->dump();
        printerOfUnit[(*result)["unit"]] = (*result)["slot"] == "usb-1" ? &first : &second;
    }
    // A second station of the same name on that ledger refuses to start.
    const ChildResult twin =
        RunChild({PRINTER_CLI_PATH, "station", kExample, "--slots", slots.string(), "--ledger",
                  ledger.string(), "--station", "flow"});
    EXPECT_EQ(twin.exitCode, 1) << twin.err;

    first.Unplug();
    const auto unplugged = Clock::now();
    const auto empty = station.Next("slot", unplugged + kGenerous, "usb-1");
    ASSERT_TRUE(empty);
    EXPECT_EQ((*empty)["message"], "empty");
    // Nothing starts in the gap; three seconds after the unplug comes the third.
    EXPECT_FALSE(station.Next("unit", unplugged + seconds(3)));
    PluggedPrinter third(slots / "usb-1", folder / "printer-3");
    const auto result = station.Next("result", Clock::now() + kGenerous, "usb-1");
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)["result"], "pass") << result->dump();
    printerOfUnit[(*result)["unit"]] = &third;

    station.Program().Signal(SIGINT);
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 130);

    const auto rows = ReportRows(ledger);
    ASSERT_EQ(rows.size(), 3u);
    std::vector<std::string> serials;
    for (const auto& row : rows) {
        EXPECT_EQ(row.at("result"), "pass");
        EXPECT_EQ(row.at("station"), "flow");
        EXPECT_EQ(row.at("found_rate"), "9600");
        EXPECT_TRUE(row.at("end").ends_with("Z"));
        EXPECT_TRUE(fs::exists(row.at("log"))) << row.at("log");
        const PluggedPrinter* printer = printerOfUnit.at(std::stoll(row.at("unit")));
        EXPECT_EQ(row.at("serial"), printer->Serial()) << "the printer holds another serial";
        serials.push_back(row.at("serial"));
    }
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(serials, (std::vector<std::string>{"ZD001000", "ZD001001", "ZD001002"}));
    fs::remove_all(folder);
}

TEST(StationFlow, CtrlCStopsARunningUnitAtItsNextSafeStepAndASecondEndsAtOnce) {
    struct Case {
        int interrupts;
        const char* fault;
    };
    const Case cases[] = {
        // Every reply a tenth of a second late: the firmware takes seconds,
        // and the first Ctrl-C stops it after the block in flight.
        {1, "delay=100"},
        // The first block is never answered and its tries take seconds: only
        // the second Ctrl-C can end the station before they do.
        {2, "silent-command=0x2E"},
    };
    for (const Case& c : cases) {
        const fs::path folder = FreshStationFolder("interrupt-" + std::to_string(c.interrupts));
        const fs::path ledger = folder / "ledger.sqlite";
        PluggedPrinter printer(folder / "slots" / "usb-1", folder / "printer",
                               {"--fault", c.fault});
        StationProgram station({kExample, "--slots", (folder / "slots").string(), "--ledger",
                                ledger.string(), "--station", "bench", "--json", "--settle-ms",
                                "0"});
        const auto firmware = station.Next("step", Clock::now() + kGenerous);
        ASSERT_TRUE(firmware);
        EXPECT_EQ((*firmware)["step"], "firmware");
        station.Program().Signal(SIGINT);
        if (c.interrupts == 2) {
            ASSERT_TRUE(station.Next("station", Clock::now() + kGenerous));  // "stopping"
            station.Program().Signal(SIGINT);
        }
        EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 130);

        const auto rows = ReportRows(ledger);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at("result"), "fail");
        EXPECT_EQ(rows[0].at("serial"), "");
        if (c.interrupts == 1) {
            EXPECT_EQ(rows[0].at("step"), "firmware");
            EXPECT_EQ(rows[0].at("exit_code"), "130");
        } else {
            // Ended at once: the row is left to the station's restart.
            EXPECT_NE(rows[0].at("reason").find("not restarted yet"), std::string::npos)
                << rows[0].at("reason");
        }
        fs::remove_all(folder);
    }
}

TEST(StationFlow, APrinterPulledMidJobIsThatUnitFailingNotANewOne) {
    const fs::path folder = FreshStationFolder("pulled");
    const fs::path ledger = folder / "ledger.sqlite";
    PluggedPrinter printer(folder / "slots" / "usb-1", folder / "printer",
                           {"--fault", "delay=100"});
    StationProgram station({kExample, "--slots", (folder / "slots").string(), "--ledger",
                            ledger.string(), "--station", "bench", "--json", "--settle-ms", "0"});
    // The firmware's step, or a result that says why there is none.
    std::optional<nlohmann::json> event;
    do
        event = station.Next("", Clock::now() + kGenerous);
    while (event && (*event)["event"] != "step" && (*event)["event"] != "result");
    ASSERT_TRUE(event);
    ASSERT_EQ((*event)["event"], "step") << event->dump();
    printer.Unplug();
    const auto result = station.Next("result", Clock::now() + kGenerous);
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)["result"], "fail");
    EXPECT_EQ((*result)["step"], "firmware");
    const auto empty = station.Next("slot", Clock::now() + kGenerous, "usb-1");
    ASSERT_TRUE(empty);
    EXPECT_EQ((*empty)["message"], "empty");
    station.Program().Signal(SIGINT);
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 130);
    const auto rows = ReportRows(ledger);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("result"), "fail");
    fs::remove_all(folder);
}

TEST(StationFlow, APrinterThatAnswersHasSettledAndOneThatDoesNotWaitsOutTheSettleTime) {
    const fs::path folder = FreshStationFolder("settle");
    const fs::path slots = folder / "slots";
    StationProgram station({kExample, "--slots", slots.string(), "--ledger",
                            (folder / "ledger.sqlite").string(), "--json", "--settle-ms", "5000"});
    // One at the recipe's rate, one at another: the settle queries go at
    // the recipe's rate only.
    PluggedPrinter ready(slots / "usb-1", folder / "printer-1");
    PluggedPrinter elsewhere(slots / "usb-2", folder / "printer-2", {"--rate", "19200"});
    const auto plugged = Clock::now();
    const auto first = station.Next("unit", plugged + kGenerous);
    ASSERT_TRUE(first);
    EXPECT_EQ((*first)["slot"], "usb-1");
    // Its answer came in milliseconds; the settle time is seconds away.
    EXPECT_LT(Clock::now() - plugged, std::chrono::milliseconds(4000));
    const auto second = station.Next("unit", plugged + kGenerous, "usb-2");
    ASSERT_TRUE(second);
    EXPECT_GE(Clock::now() - plugged, std::chrono::milliseconds(4900));
    station.Program().Signal(SIGINT);
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 130);
    fs::remove_all(folder);
}

TEST(StationFlow, EverySlotGoingAtOnceIsOneHubResetAndItsUnitsFailForIt) {
    const fs::path folder = FreshStationFolder("hub");
    const fs::path slots = folder / "slots";
    const fs::path ledger = folder / "ledger.sqlite";
    StationProgram station({kExample, "--slots", slots.string(), "--ledger", ledger.string(),
                            "--json", "--settle-ms", "0"});
    // Slow replies: both are in their steps when the hub goes.
    PluggedPrinter a(slots / "usb-1", folder / "printer-1", {"--fault", "delay=100"});
    PluggedPrinter b(slots / "usb-2", folder / "printer-2", {"--fault", "delay=100"});
    ASSERT_TRUE(station.Next("step", Clock::now() + kGenerous, "usb-1"));
    ASSERT_TRUE(station.Next("step", Clock::now() + kGenerous, "usb-2"));
    a.Unplug();
    b.Unplug();
    int resets = 0, results = 0;
    while (results < 2) {
        const auto event = station.Next("", Clock::now() + kGenerous);
        ASSERT_TRUE(event) << "two results";
        if ((*event)["event"] == "warning" && event->value("hubReset", false))
            ++resets;
        if ((*event)["event"] == "slot")
            ADD_FAILURE() << "the hub reset says it, not each slot: " << event->dump();
        if ((*event)["event"] == "result") {
            ++results;
            EXPECT_EQ((*event)["result"], "fail");
            // In whichever step the hub went (a slow machine may be past the firmware).
            EXPECT_TRUE(event->value("reason", "").starts_with("hub reset during " +
                                                                event->value("step", "")))
                << event->dump();
            EXPECT_TRUE(event->value("hubReset", false));
        }
    }
    EXPECT_EQ(resets, 1);
    station.Program().Signal(SIGINT);
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 130);
    fs::remove_all(folder);
}

TEST(StationFlow, OnANamedPortAUnitStaysWhileItAnswersAndGoesAfterThreeSecondsOfSilence) {
    const fs::path folder = FreshStationFolder("port");
    SpawnedProgram printer({PRINTER_SIM_PATH, "--quiet"});
    const auto port = printer.ReadLine(Clock::now() + kGenerous);
    ASSERT_TRUE(port);
    StationProgram station({kExample, "--port", *port, "--ledger",
                            (folder / "ledger.sqlite").string(), "--station", "port", "--json"});
    const auto result = station.Next("result", Clock::now() + kGenerous);
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)["result"], "pass") << result->dump();
    // It keeps answering the polls: the same unit, never provisioned twice.
    EXPECT_FALSE(station.Next("unit", Clock::now() + seconds(3)));
    printer.Signal(SIGTERM);
    ASSERT_TRUE(printer.Wait(Clock::now() + kGenerous));
    const auto silent = Clock::now();
    const auto empty = station.Next("slot", silent + kGenerous, *port);
    ASSERT_TRUE(empty);
    EXPECT_EQ((*empty)["message"], "empty");
    // Its last answer came at most a poll before the silence began.
    EXPECT_GE(Clock::now() - silent, std::chrono::milliseconds(1500));
    station.Program().Signal(SIGINT);
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 130);
    fs::remove_all(folder);
}

TEST(StationFlow, AUsedUpRangeEndsTheStationWithItsUnitsRecorded) {
    const fs::path folder = FreshStationFolder("used-up");
    const fs::path ledger = folder / "ledger.sqlite";
    std::ofstream(folder / "one.toml") << "[para]\nidle = 30\n"
                                          "[factory]\nmodel = \"ZDV 7714\"\nfirst = 7\nlast = 7\n";
    PluggedPrinter a(folder / "slots" / "usb-1", folder / "printer-1");
    PluggedPrinter b(folder / "slots" / "usb-2", folder / "printer-2");
    StationProgram station({(folder / "one.toml").string(), "--slots", (folder / "slots").string(),
                            "--ledger", ledger.string(), "--json", "--settle-ms", "0"});
    // Warnings of this machine (a ModemManager running) may come first.
    std::optional<nlohmann::json> warning;
    do
        warning = station.Next("warning", Clock::now() + kGenerous);
    while (warning &&
           (*warning)["message"].get<std::string>().find("serial(s) left") == std::string::npos);
    ASSERT_TRUE(warning);
    EXPECT_NE((*warning)["message"].get<std::string>().find("1 serial(s) left"), std::string::npos);
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 9);
    auto rows = ReportRows(ledger);
    ASSERT_EQ(rows.size(), 2u);
    std::sort(rows.begin(), rows.end(),
              [](const auto& x, const auto& y) { return x.at("result") > y.at("result"); });
    EXPECT_EQ(rows[0].at("result"), "pass");
    EXPECT_EQ(rows[0].at("serial"), "7");
    EXPECT_EQ(rows[1].at("result"), "fail");
    EXPECT_EQ(rows[1].at("step"), "factory");
    EXPECT_NE(rows[1].at("reason").find("used up"), std::string::npos);
    fs::remove_all(folder);
}

TEST(StationFlow, TheUnitGivenTheLastSerialEndsTheStationWithoutAnotherUnit) {
    const fs::path folder = FreshStationFolder("last-serial");
    const fs::path ledger = folder / "ledger.sqlite";
    std::ofstream(folder / "two.toml") << "[para]\nidle = 30\n"
                                          "[factory]\nmodel = \"ZDV 7714\"\nfirst = 7\nlast = 8\n";
    PluggedPrinter a(folder / "slots" / "usb-1", folder / "printer-1");
    PluggedPrinter b(folder / "slots" / "usb-2", folder / "printer-2");
    StationProgram station({(folder / "two.toml").string(), "--slots", (folder / "slots").string(),
                            "--ledger", ledger.string(), "--json", "--settle-ms", "0"});
    // Both stay plugged in and none comes after them: nothing is left to
    // wait for once their units are done.
    EXPECT_EQ(station.Program().Wait(Clock::now() + kGenerous), 9);
    const auto rows = ReportRows(ledger);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows)
        EXPECT_EQ(row.at("result"), "pass") << row.at("reason");
    std::set<std::string> held{a.Serial(), b.Serial()};
    EXPECT_EQ(held, (std::set<std::string>{"7", "8"}));
    fs::remove_all(folder);
}

}  // namespace
