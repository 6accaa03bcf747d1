// A bench for printer-cli station: virtual printers plugged into a slots
// folder with printer-sim --link, the station as a program, and its report.
#pragma once

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "spawned_program.h"

// A virtual printer whose link stands in the slots folder while it runs.
class PluggedPrinter {
  public:
    PluggedPrinter(const std::filesystem::path& link, const std::filesystem::path& stateDir,
                   const std::vector<std::string>& extra = {});
    ~PluggedPrinter();
    // SIGTERM: it removes its link and ends.
    void Unplug();
    // The serial number it holds; empty when none was written.
    std::string Serial() const;
    const std::filesystem::path& Link() const { return link_; }

  private:
    std::filesystem::path link_;
    std::filesystem::path stateDir_;
    std::unique_ptr<SpawnedProgram> sim_;
};

// The station's JSON events, read with deadlines.
class StationProgram {
  public:
    explicit StationProgram(const std::vector<std::string>& arguments);
    // The next event of `kind` (any, when empty; of `slot`, when given)
    // before the deadline.
    std::optional<nlohmann::json> Next(const std::string& kind,
                                       SpawnedProgram::Clock::time_point deadline,
                                       const std::string& slot = "");
    SpawnedProgram& Program() { return program_; }

  private:
    SpawnedProgram program_;
};

// RFC 4180 records (CR LF ends each) split into their fields.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text);
// `printer-cli station report --ledger LEDGER --csv` split into records of
// fields; the first is the header.
std::vector<std::vector<std::string>> ReportCsv(const std::filesystem::path& ledger);

// A fresh folder for one test, removed by the test.
std::filesystem::path FreshStationFolder(const std::string& name);
