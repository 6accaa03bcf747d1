// The station command's options; what it does is in station_run.cpp and
// station_report.cpp.
#include "station_command.h"

#include <memory>

#include "cli_command.h"

namespace {

// How the station finds its slots: udev's links on Linux; Windows has no such
// folder, and every COM port is a slot.
#ifdef _WIN32
constexpr bool kSlotsFolder = false;
constexpr const char* kSlotsNote =
    "Each COM port is a slot, named by its location path (where it is plugged in), so a port "
    "that comes back under another COM number is the same slot; a port known only from the "
    "registry's SERIALCOMM key is named by its COM name. The ports are listed every 500 ms. A "
    "new port is used after a settle time; one gone for less than 2 s is the same unit "
    "re-enumerating.";
constexpr const char* kLinkPresence = "link (a COM port the system lists)";
#else
constexpr bool kSlotsFolder = true;
constexpr const char* kSlotsNote =
    "A slot is a link in the slots folder (udev's /dev/serial/by-path names each physical "
    "USB port). A new link is used after a settle time; one gone for less than 2 s is the "
    "same unit re-enumerating.";
constexpr const char* kLinkPresence = "link (a link in the slots folder)";
#endif

}  // namespace

CommandEntry AddStationCommand(CLI::App& app) {
    auto options = std::make_shared<StationOptions>();
    CLI::App* command = app.add_subcommand(
        "station",
        "provision every printer plugged into a slot from a recipe, each with a serial number "
        "never given before, and record it in a ledger (until Ctrl-C)");
    options->command = command;
    command->footer(
        std::string(kSlotsNote) +
        " With --port, or --presence identify, a unit is there while it answers an identify "
        "poll every second and gone after 3 s of silence. Exit status: 130 after Ctrl-C, 2 for a "
        "recipe with a problem, 1 when the ledger cannot be used, 9 when the serial range is "
        "used up.");
    command->add_option("RECIPE", options->recipe, "the recipe (TOML)");
    command->add_flag("--check", options->check,
                      "check the recipe whole and print the plan and its line time; send nothing");
    CLI::Option* slots = command->add_option("--slots", options->slots, "the folder of slot links");
    if (kSlotsFolder)
        slots->capture_default_str();
    else
        slots->group("");  // parsed only to be refused with a reason
    command->add_option("--ledger", options->ledger,
                        "the ledger (SQLite, on a local disk; default: station-ledger.sqlite in "
                        "the user's data folder of printer-tool)");
    command->add_option("--station", options->station,
                        "this station's name in the ledger (default: the host name)");
    command->add_option("--order", options->order, "the work order, recorded with each unit");
    command->add_option("--operator", options->operatorName,
                        "who runs it, recorded with each unit");
    command
        ->add_option("--presence", options->presence,
                     std::string("how a unit is found there: ") + kLinkPresence +
                         " or identify (it answers identify polls; the default with --port)")
        ->check(CLI::IsMember({"link", "identify"}));
    command->add_option("--settle-ms", options->settleMs)->group("");
    command->add_option("--reenumerate-ms", options->reenumerateMs)->group("");

    CLI::App* report = command->add_subcommand("report",
                                               "print the ledger one row a unit, or its summary "
                                               "(opened read-only)");
    options->report = report;
    report->add_option("--ledger", options->ledger, "the ledger")->required();
    report->add_flag("--csv", options->csv, "RFC 4180 CSV with a header row");
    report->add_flag("--json", options->json,
                     "one JSON object a unit (with --summary: one in all)");
    report->add_flag("--summary", options->summary,
                     "units, passes, failures by reason, the serials used and units per hour, "
                     "in place of the rows");
    report->add_option("--since", options->since,
                       "only units started at this UTC time or later (2024-05-01, "
                       "2024-05-01T09:30)");
    return {command,
            [options](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                options->reportChosen = options->report->parsed();
                if (options->reportChosen) {
                    if (options->csv && options->json)
                        return "station report: --csv or --json, not both";
                    if (options->csv && options->summary)
                        return "station report: --csv or --summary, not both";
                    return std::nullopt;
                }
                if (options->recipe.empty())
                    return "station: RECIPE is required";
                if (!kSlotsFolder && options->command->count("--slots") > 0)
                    return "station: --slots: Windows has no slots folder; each COM port is a "
                           "slot";
                if (options->command->count("--slots") > 0 && !request.ports.empty())
                    return "station: --slots or --port, not both";
                if (options->settleMs < 0 || options->reenumerateMs < 0)
                    return "station: times must not be negative";
                return std::nullopt;
            },
            shared_option::kPort | shared_option::kJson,
            [options](const CliRequest& request, const std::atomic<bool>& interrupted) {
                if (options->reportChosen)
                    return StationReport(*options);
                if (options->check)
                    return CheckStationRecipe(*options, request);
                return RunStation(*options, request, interrupted);
            }};
}
