// station-bench: printer-cli station with many slots at once, against the
// line. Paced virtual printers (every byte takes its wire time) are plugged
// into a slots folder; each slot provisions one unit after another (the
// next printer is plugged once the station has seen the slot empty), with a
// recipe of a firmware image, a font, a logo and the settings.
//
//   station-bench [--slots N] [--rounds N] [--firmware-kib N] [--font-kib N] [--out FILE]
//
// Reports, as ratios of one run:
// - units per hour against N slots x (one unit's wire time), where a unit's
//   wire time is what the frames its printer logged take on the line, with
//   the pauses the protocol demands, and its time is from its plug to its
//   result (the operator's swap is not the station's);
// - the station's CPU time as a share of the wall time (of one core);
// - how long a unit waits between being plugged in and its first byte: the
//   settle time the station gives a new port, plus what its scan adds.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "printer_commands.h"
#include "station_bench.h"
#include "wire_limit.h"

namespace fs = std::filesystem;
using Clock = SpawnedProgram::Clock;

namespace {

struct Options {
    int slots = 16;
    int rounds = 2;
    int firmwareKib = 64;
    int fontKib = 64;
    std::string out;
};

struct Unit {
    std::string slot;
    double wireMs = 0;
    double firstByteMs = 0;  // from the printer's link to its first byte
    double seconds = 0;      // from its plug to its result
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--slots" && hasValue)
            options.slots = std::stoi(argv[++i]);
        else if (arg == "--rounds" && hasValue)
            options.rounds = std::stoi(argv[++i]);
        else if (arg == "--firmware-kib" && hasValue)
            options.firmwareKib = std::stoi(argv[++i]);
        else if (arg == "--font-kib" && hasValue)
            options.fontKib = std::stoi(argv[++i]);
        else if (arg == "--out" && hasValue)
            options.out = argv[++i];
        else
            return false;
    }
    return options.slots > 0 && options.rounds > 0 && options.firmwareKib > 0 &&
           options.fontKib > 0;
}

// The recipe, and the files it names beside it.
fs::path WriteRecipe(const fs::path& folder, const Options& options) {
    const fs::path firmware = folder / "firmware.bin";
    const std::string make = std::string(PRINTER_SIM_PATH) + " --make-firmware '" +
                             firmware.string() + "' " +
                             std::to_string(options.firmwareKib * 1024) + " >/dev/null";
    if (std::system(make.c_str()) != 0)
        throw std::runtime_error("printer-sim --make-firmware failed");
    std::mt19937 random(7);
    std::ofstream font(folder / "font.bin", std::ios::binary);
    for (int i = 0; i < options.fontKib * 1024; ++i)
        font.put(static_cast<char>(random()));
    font.close();
    for (const char* picture : {"cup.bmp", "thanks.bmp"})
        fs::copy_file(fs::path(PT_STATION_DATA) / picture, folder / picture);
    const fs::path recipe = folder / "bench.toml";
    std::ofstream(recipe) << "name = \"bench\"\n"
                             "rate = 9600\n"
                             "transfer-rate = 115200\n"
                             "[firmware]\nfile = \"firmware.bin\"\n"
                             "[font]\nfile = \"font.bin\"\n"
                             "[logo]\npictures = [\"cup.bmp\", \"thanks.bmp\"]\n"
                             "[para]\nrate = 9600\ndensity = \"dark\"\nidle = 60\n"
                             "[bluetooth]\nname = \"Shop Till\"\npin = \"1234\"\n"
                             "[ir]\nrate = 115200\nprotocol = \"raw\"\n"
                             "[factory]\nmodel = \"ZDV 7714\"\nprefix = \"B\"\n"
                             "first = 1\nlast = 999999\nwidth = 6\n";
    return recipe;
}

// A unit's time on the line and its wait for the first byte, from what its
// printer logged (times from its start, which its link follows within a
// millisecond).
bool MeasureUnit(const fs::path& stateDir, Unit& unit, std::string& error) {
    const auto commands = ReadCommandLog((stateDir / "commands.json").string(), error);
    if (commands.empty()) {
        error = error.empty() ? "no command logged in " + stateDir.string() : error;
        return false;
    }
    // Each job opens the link once, and each opening begins with identify.
    int opens = 0;
    for (const LoggedCommand& command : commands)
        opens += command.code == kCommandIdentify && command.replyBytes > 0;
    unit.wireMs = WireLimitMs(commands, opens);
    unit.firstByteMs = commands.front().startMs;
    return true;
}

// The CPU seconds a process has used so far (user and system).
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t afterName = text.rfind(')');
    if (afterName == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (size_t i = afterName + 2; i < text.size(); ++i) {
        if (text[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[i];
        }
    }
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 here.
    if (fields.size() < 13)
        return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << "usage: station-bench [--slots N] [--rounds N] [--firmware-kib N] "
                     "[--font-kib N] [--out FILE]\n";
        return 2;
    }
    const fs::path folder = FreshStationFolder("bench");
    const fs::path slots = folder / "slots";
    std::vector<Unit> units;
    double spanSeconds = 0;
    double cpuSeconds = 0;
    int failures = 0;
    try {
        const fs::path recipe = WriteRecipe(folder, options);
        StationProgram station({recipe.string(), "--slots", slots.string(), "--ledger",
                                (folder / "ledger.sqlite").string(), "--station", "bench",
                                "--json"});
        const pid_t stationPid = station.Program().Pid();
        const auto start = Clock::now();
        std::map<std::string, std::unique_ptr<PluggedPrinter>> plugged;
        std::map<std::string, Clock::time_point> pluggedAt;
        std::map<std::string, int> round;
        std::map<std::string, fs::path> stateOf;
        int printers = 0;
        const auto plug = [&](const std::string& slot) {
            stateOf[slot] = folder / ("printer-" + std::to_string(++printers));
            plugged[slot] = std::make_unique<PluggedPrinter>(
                slots / slot, stateOf[slot], std::vector<std::string>{"--pace"});
            pluggedAt[slot] = Clock::now();
        };
        for (int i = 1; i <= options.slots; ++i)
            plug("usb-0:1." + std::to_string(i) + ":1.0");
        int ended = 0;
        const int expected = options.slots * options.rounds;
        // Generous: a paced unit of this recipe takes well under a minute.
        const auto deadline = start + std::chrono::minutes(5) * options.rounds;
        while (ended < expected) {
            const auto event = station.Next("", deadline);
            if (!event)
                throw std::runtime_error("the station gave " + std::to_string(ended) + " of " +
                                         std::to_string(expected) + " results in time");
            if (!(*event)["slot"].is_string())
                continue;
            const std::string slot = (*event)["slot"];
            // The next printer goes in once the station has seen the slot
            // empty: within its re-enumeration window, a link that comes
            // back is the same unit.
            if ((*event)["event"] == "slot" && (*event)["message"] == "empty" &&
                round[slot] < options.rounds) {
                plug(slot);
                continue;
            }
            if ((*event)["event"] != "result")
                continue;
            ++ended;
            if ((*event)["result"] != "pass") {
                ++failures;
                std::cerr << "station-bench: " << slot << ": " << (*event)["reason"] << "\n";
            }
            Unit unit{slot};
            unit.seconds = std::chrono::duration<double>(Clock::now() - pluggedAt[slot]).count();
            plugged[slot]->Unplug();  // its command log is complete now
            std::string error;
            if (!MeasureUnit(stateOf[slot], unit, error))
                throw std::runtime_error(error);
            units.push_back(unit);
            ++round[slot];
        }
        spanSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        cpuSeconds = CpuSeconds(stationPid);
        station.Program().Signal(SIGINT);
        station.Program().Wait(Clock::now() + std::chrono::seconds(30));
    } catch (const std::exception& error) {
        std::cerr << "station-bench: " << error.what() << "\n";
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);

    std::vector<double> firstByte;
    double meanWire = 0, meanUnit = 0;
    for (const Unit& unit : units) {
        firstByte.push_back(unit.firstByteMs / 1000);
        meanWire += unit.wireMs / 1000 / static_cast<double>(units.size());
        meanUnit += unit.seconds / static_cast<double>(units.size());
    }
    // Each slot takes one unit after another: its units per hour are what
    // one unit's time in the slot allows; the operator's swap is not the
    // station's and is left out.
    const double unitsPerHour = options.slots * 3600 / meanUnit;
    const double limitPerHour = options.slots * 3600 / meanWire;
    const double ratio = unitsPerHour / limitPerHour;
    const double cpuShare = cpuSeconds / spanSeconds;

    std::printf("station: %d slots x %d units, firmware %d KiB, font %d KiB, logo, settings; "
                "paced printers at 115200 bit/s\n",
                options.slots, options.rounds, options.firmwareKib, options.fontKib);
    std::printf("  one unit on the line:   %6.2f s (wire time of its frames and pauses)\n",
                meanWire);
    std::printf("  one unit in its slot:   %6.2f s (plug to result, mean of %d; %d failed)\n",
                meanUnit, static_cast<int>(units.size()), failures);
    std::printf("  units per hour:         %6.1f of %.1f (%d x one unit's wire time): ratio %.3f\n",
                unitsPerHour, limitPerHour, options.slots, ratio);
    std::printf("  station CPU:            %6.1f%% of one core\n", cpuShare * 100);
    std::printf("  plug to first byte:     median %.2f s, worst %.2f s\n", Percentile(firstByte, 0.5),
                Percentile(firstByte, 1.0));
    if (!options.out.empty()) {
        fs::create_directories(fs::path(options.out).parent_path());
        std::ofstream(options.out) << nlohmann::json{{"slots", options.slots},
                                                     {"rounds", options.rounds},
                                                     {"units", units.size()},
                                                     {"failed", failures},
                                                     {"unitWireSeconds", meanWire},
                                                     {"unitSlotSeconds", meanUnit},
                                                     {"spanSeconds", spanSeconds},
                                                     {"unitsPerHour", unitsPerHour},
                                                     {"limitPerHour", limitPerHour},
                                                     {"ratio", ratio},
                                                     {"cpuShare", cpuShare},
                                                     {"firstByteMedianSeconds",
                                                      Percentile(firstByte, 0.5)},
                                                     {"firstByteWorstSeconds",
                                                      Percentile(firstByte, 1.0)}}
                                                        .dump(2)
                                  << "\n";
    }
    return failures == 0 ? 0 : 1;
}
