#include "station_bench.h"

#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "child_process.h"

namespace fs = std::filesystem;
using Clock = SpawnedProgram::Clock;

PluggedPrinter::PluggedPrinter(const fs::path& link, const fs::path& stateDir,
                               const std::vector<std::string>& extra)
    : link_(link), stateDir_(stateDir) {
    std::vector<std::string> argv = {PRINTER_SIM_PATH, "--quiet",     "--link",
                                     link.string(),    "--state-dir", stateDir.string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    sim_ = std::make_unique<SpawnedProgram>(argv);
    // Its first line comes once the pty is open; the link right after it.
    sim_->ReadLine(Clock::now() + std::chrono::seconds(10));
}

PluggedPrinter::~PluggedPrinter() {
    Unplug();
}

void PluggedPrinter::Unplug() {
    if (!sim_)
        return;
    sim_->Signal(SIGTERM);
    sim_->Wait(Clock::now() + std::chrono::seconds(10));
    sim_.reset();
}

std::string PluggedPrinter::Serial() const {
    std::ifstream in(stateDir_ / "state.json");
    const nlohmann::json state = nlohmann::json::parse(in, nullptr, false);
    if (state.is_discarded())
        return "";
    const nlohmann::json& factory = state["settings"]["factory"];
    return factory.is_object() ? factory.value("serial", "") : "";
}

StationProgram::StationProgram(const std::vector<std::string>& arguments)
    : program_([&] {
          std::vector<std::string> argv = {PRINTER_CLI_PATH, "station"};
          argv.insert(argv.end(), arguments.begin(), arguments.end());
          return argv;
      }()) {}

std::optional<nlohmann::json> StationProgram::Next(const std::string& kind,
                                                   Clock::time_point deadline,
                                                   const std::string& slot) {
    while (const auto line = program_.ReadLine(deadline)) {
        const nlohmann::json event = nlohmann::json::parse(*line, nullptr, false);
        if (event.is_discarded() || (!kind.empty() && event.value("event", "") != kind))
            continue;
        if (!slot.empty() && (!event["slot"].is_string() || event["slot"] != slot))
            continue;
        return event;
    }
    return std::nullopt;
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            fields.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(fields));
            fields.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

std::vector<std::vector<std::string>> ReportCsv(const fs::path& ledger) {
    return ParseCsv(
        RunChild({PRINTER_CLI_PATH, "station", "report", "--ledger", ledger.string(), "--csv"})
            .out);
}

fs::path FreshStationFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("station-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}
