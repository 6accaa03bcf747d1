// The station killed with SIGKILL at random points while it provisions 50
// units on fast virtual printers, and started again each time: no serial is
// ever given twice, and every number of the range it used is accounted for
// in the report as pass, fail, void or unknown.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "report.h"
#include "station_bench.h"

namespace {

namespace fs = std::filesystem;
using Clock = SpawnedProgram::Clock;
using std::chrono::milliseconds;

constexpr int kUnits = 50;
constexpr int kSlots = 5;
constexpr int kKillSpanMs = 2400;
const std::string kExample = std::string(PT_STATION_DATA) + "/example.toml";

TEST(StationKill, NoSerialIsGivenTwiceAndEveryNumberUsedIsAccountedFor) {
    const fs::path folder = FreshStationFolder("kill");
    const fs::path slots = folder / "slots";
    const fs::path ledger = folder / "ledger.sqlite";
    fs::create_directories(slots);
    const std::vector<std::string> arguments = {
        kExample,    "--slots", slots.string(), "--ledger",    ledger.string(),
        "--station", "kill",    "--json",       "--settle-ms", "20"};
    std::mt19937 random(31);
    // Every printer ever plugged, by its slot name (each unit a new name).
    std::map<std::string, std::unique_ptr<PluggedPrinter>> printers;
    std::set<std::string> plugged;
    int named = 0;
    const auto plugNew = [&] {
        const std::string name = "u" + std::to_string(++named);
        printers[name] =
            std::make_unique<PluggedPrinter>(slots / name, folder / ("printer-" + name));
        plugged.insert(name);
    };
    for (int i = 0; i < kSlots; ++i)
        plugNew();

    int ended = 0;
    int kills = 0;
    const auto giveUp = Clock::now() + std::chrono::seconds(200);
    auto station = std::make_unique<StationProgram>(arguments);
    // The span a run may last before its kill; doubled after a run that
    // ended no unit, so a slow machine still makes progress.
    int spanMs = kKillSpanMs;
    while (ended < kUnits && Clock::now() < giveUp) {
        // Anywhere from its start (finding printers left at the transfer
        // rate takes it a second) to a few units in; every other run right
        // after a serial is allocated, around the factory write.
        auto killAt = Clock::now() + milliseconds(100 + random() % spanMs);
        const bool atSerial = random() % 2 == 0;
        const int endedBefore = ended;
        bool killedAtSerial = false;
        while (ended < kUnits) {
            const auto event = station->Next("", killAt);
            if (!event)
                break;
            if ((*event)["event"] == "serial" && atSerial && !killedAtSerial) {
                killAt = std::min(killAt, Clock::now() + milliseconds(random() % 10));
                killedAtSerial = true;
            }
            if ((*event)["event"] != "result")
                continue;
            ++ended;
            const std::string slot = (*event)["slot"];
            printers.at(slot)->Unplug();
            plugged.erase(slot);
            plugNew();
        }
        if (ended > endedBefore || killedAtSerial)
            spanMs = kKillSpanMs;
        else
            spanMs = std::min(2 * spanMs, 20000);
        station->Program().Signal(SIGKILL);
        station->Program().Wait(Clock::now() + std::chrono::seconds(10));
        ++kills;
        // Units it left half done are still plugged in: the restart takes them anew.
        station = std::make_unique<StationProgram>(arguments);
    }
    ASSERT_GE(ended, kUnits) << "only " << ended << " units ended";
    station->Program().Signal(SIGINT);
    EXPECT_EQ(station->Program().Wait(Clock::now() + std::chrono::seconds(30)), 130);
    for (const std::string& slot : plugged)
        printers.at(slot)->Unplug();

    const Report report = ReadReport(ledger, "");
    EXPECT_EQ(report.inProgress, 0);
    std::map<std::string, std::string> resultOf;  // serial -> result
    std::map<std::string, int> results;
    std::set<int64_t> numbers;
    for (const ReportRow& row : report.rows) {
        EXPECT_TRUE(row.result == "pass" || row.result == "fail" || row.result == "void" ||
                    row.result == "unknown")
            << row.result;
        ++results[row.result];
        if (row.serial.empty())
            continue;
        EXPECT_TRUE(resultOf.emplace(row.serial, row.result).second)
            << row.serial << " twice in the ledger";
        numbers.insert(std::stoll(row.serial.substr(2)));
    }
    // The numbers used run on from `first` without a gap.
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(*numbers.begin(), 1000);
    EXPECT_EQ(*numbers.rbegin(), 1000 + static_cast<int64_t>(numbers.size()) - 1);
    // What the printers hold: never one serial in two, never one the ledger
    // calls void (never sent) or does not know.
    std::map<std::string, std::string> holder;
    for (const auto& [name, printer] : printers) {
        const std::string serial = printer->Serial();
        if (serial.empty())
            continue;
        EXPECT_TRUE(holder.emplace(serial, name).second)
            << serial << " given to " << holder[serial] << " and " << name;
        ASSERT_TRUE(resultOf.contains(serial)) << serial << " is not in the ledger";
        EXPECT_NE(resultOf[serial], "void") << serial << " is held by " << name;
    }
    std::cout << "[ station  ] " << ended << " units ended, " << kills << " kills, "
              << numbers.size() << " serials used; rows: " << results["pass"] << " pass, "
              << results["fail"] << " fail, " << results["void"] << " void, " << results["unknown"]
              << " unknown\n";
    fs::remove_all(folder);
}

}  // namespace
