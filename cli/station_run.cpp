// printer-cli station RECIPE and station --check RECIPE.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli_transfer.h"
#include "keep_awake.h"
#include "host_name.h"
#include "install_layout.h"
#include "json_line.h"
#include "path_text.h"
#include "rate_recovery.h"
#include "recipe_plan.h"
#include "serial_environment.h"
#include "station.h"
#include "station_command.h"
#include "station_output.h"
#include "station_screen.h"
#include "station_steps.h"
#include "terminal_screen.h"
#include "terminal_width.h"
#include "system_slots.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kLedgerName = "station-ledger.sqlite";
constexpr int kExitCannotGoOn = 9;

// Reads and checks the recipe whole; the problems are printed (or put in one
// JSON result) and nothing is sent.
std::optional<StationPlan> PlanOrSay(const StationOptions& options, const CliRequest& request,
                                     StepPreparer& preparer) {
    Recipe recipe;
    StationPlan plan;
    std::vector<std::string> problems;
    if (ReadRecipe(PathFromUtf8(options.recipe), recipe, problems))
        PlanRecipe(recipe, preparer, RatesToFind(static_cast<int32_t>(recipe.transferRate)), plan,
                   problems);
    if (problems.empty())
        return plan;
    if (request.json) {
        std::cout << JsonLine({{"event", "result"},
                               {"ok", false},
                               {"code", kExitUsage},
                               {"message", "the recipe " + options.recipe + " has problems"},
                               {"problems", problems}})
                  << std::endl;
    } else {
        for (const std::string& problem : problems)
            std::cerr << "printer-cli: " << options.recipe << ": " << problem << "\n";
    }
    return std::nullopt;
}

std::string LineSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string RateList(const std::vector<int32_t>& rates) {
    std::string text;
    for (size_t i = 1; i < rates.size(); ++i)
        text += (i > 1 ? ", " : "") + std::to_string(rates[i]);
    return text;
}

}  // namespace

int CheckStationRecipe(const StationOptions& options, const CliRequest& request) {
    CliStepPreparer preparer;
    const auto plan = PlanOrSay(options, request, preparer);
    if (!plan)
        return kExitUsage;
    if (request.json) {
        nlohmann::json steps = nlohmann::json::array();
        steps.push_back({{"step", "find"}, {"rates", plan->findRates}});
        for (const PlannedStep& step : plan->steps)
            steps.push_back({{"step", StepName(step.kind)},
                             {"what", step.what},
                             {"wireSeconds", step.wireSeconds}});
        steps.push_back({{"step", "identify"}});
        std::cout << JsonLine({{"event", "plan"},
                               {"recipe", plan->recipeName},
                               {"sha256", plan->recipeSha256},
                               {"steps", steps},
                               {"lineSeconds", plan->lineSeconds}})
                  << std::endl;
        return 0;
    }
    std::cout << "recipe " << plan->recipeName << " (" << options.recipe << ")\n"
              << "  sha256     " << plan->recipeSha256 << "\n"
              << "  find       at " << plan->rate << " bit/s, then at " << RateList(plan->findRates)
              << "\n";
    for (const PlannedStep& step : plan->steps) {
        std::string name = StepName(step.kind);
        name.resize(10, ' ');
        std::cout << "  " << name << " " << step.what << "  " << LineSeconds(step.wireSeconds) << "\n";
    }
    std::cout << "  identify   again at the end\n"
              << "line time: " << LineSeconds(plan->lineSeconds) << " a unit (found at " << plan->rate
              << " bit/s, blocks at " << plan->transferRate << " bit/s)\n";
    return 0;
}

int RunStation(const StationOptions& options, const CliRequest& request,
               const std::atomic<bool>& interrupted) {
    CliStepPreparer preparer;
    auto plan = PlanOrSay(options, request, preparer);
    if (!plan)
        return kExitUsage;
    StationSettings settings;
    settings.identity.name = options.station;
    if (settings.identity.name.empty())
        settings.identity.name = HostName();
    if (settings.identity.name.empty())
        settings.identity.name = "station";
    settings.identity.workOrder = options.order;
    settings.identity.operatorName = options.operatorName;
    // "Z:/ledgers/a.sqlite" on Windows names its logs with one separator.
    settings.ledger = PathFromUtf8(options.ledger).make_preferred();
    if (settings.ledger.empty()) {
        const fs::path data = UserFoldersFromEnvironment().data;
        if (data.empty())
            return BadInput(request, "station: no user data folder is known; give --ledger FILE");
        settings.ledger = data / kLedgerName;
    }
    const bool identify =
        options.presence == "identify" || (options.presence.empty() && !request.ports.empty());
    settings.presence = identify ? Presence::Identify : Presence::Links;
    settings.slotsFolder = PathFromUtf8(options.slots);
    settings.ports = request.ports;
    if (identify && settings.ports.empty()) {
        // Adapters that stay plugged in: the links there now are the ports.
        for (const auto& [name, link] : ScanSystemSlots(settings.slotsFolder))
            settings.ports.push_back(PathText(link.link));
        if (settings.ports.empty())
            return BadInput(request, "station: --presence identify found no port (" +
                                         SystemSlotsText(settings.slotsFolder) +
                                         "); name them with --port");
    }
    if (!identify && !request.ports.empty())
        return BadInput(request, "station: --port finds units by identify, not by link");
    settings.timing.settle = std::chrono::milliseconds(options.settleMs);
    settings.timing.reenumeration = std::chrono::milliseconds(options.reenumerateMs);

    // The operator's screen on a terminal; a pipe, a log or --json get one
    // line (or object) per event.
    const TerminalScreen terminal = StandardOutputScreen();
    std::unique_ptr<StationSink> face;
    if (terminal.inPlace && !request.json)
        face = std::make_unique<StationScreen>(
            StationScreenTitle{plan->recipeName, options.order, options.operatorName}, std::cout,
            terminal.colour, [] { return StandardOutputColumns().value_or(80); });
    else
        face = std::make_unique<StationPrinter>(request.json);
    const auto warn = [&face](const std::string& message) {
        StationEvent warning;
        warning.kind = StationEventKind::Warning;
        warning.message = message;
        face->Event(warning);
    };
    // What would get in the way of the ports to come, said before the first.
    for (const EnvironmentWarning& warning : SerialEnvironmentWarnings())
        warn(warning.reason + "; to do: " + warning.action);
    const KeepAwake awake("printer-cli station is provisioning printers");
    if (!awake.Problem().empty())
        warn(awake.Problem());
    Station station(std::move(*plan), settings, preparer, *face);
    try {
        station.Open();
        switch (station.Run(interrupted)) {
            case StationEnd::Stopped:
                return kExitInterrupted;
            case StationEnd::RangeUsedUp:
            case StationEnd::LedgerFailed:
                return kExitCannotGoOn;
        }
    } catch (const LedgerError& error) {
        if (request.json)
            std::cout << JsonLine({{"event", "result"},
                                   {"ok", false},
                                   {"code", kExitLedger},
                                   {"message", error.what()}})
                      << std::endl;
        else
            std::cerr << "printer-cli: station: " << error.what() << "\n";
    }
    return kExitLedger;
}
