// A recipe checked whole and turned into what every unit gets: the files
// read and verified, the images composed, the settings packed. Nothing is
// sent while planning; a plan that comes back is one the station can run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "recipe.h"
#include "setting_payload.h"
#include "step_preparer.h"

// The steps in the order a unit gets them; Find and Identify open and close
// every unit.
enum class StepKind { Find, Firmware, Font, Logo, Para, Bluetooth, Infrared, Factory, Identify };

// The word the output, the ledger and the report use: "firmware", "ir", ...
const char* StepName(StepKind kind);

struct PlannedStep {
    StepKind kind = StepKind::Find;
    std::string what;  // "example-firmware.bin (4096 bytes, 16 blocks)", "rate 9600, ..."
    double wireSeconds = 0;
    std::vector<uint8_t> bytes;          // the firmware image, the font, the logo image
    std::string fileName;                // how a download names its file ("font.bin")
    std::filesystem::path preparedFile;  // `bytes` as the station wrote them for the download
    std::string command;                 // a download's block command and first address
    std::string address;
    SettingPayload payload;  // para, bluetooth, ir; the factory's is made per unit
};

struct StationPlan {
    std::filesystem::path recipePath;
    std::string recipeName;
    std::string recipeSha256;
    int32_t rate = 9600;
    int32_t transferRate = 115200;
    // Where a unit is looked for: the recipe's rate, then each rate `-b auto` tries.
    std::vector<int32_t> findRates;
    std::vector<PlannedStep> steps;  // between Find and Identify, in order
    std::optional<SerialRange> serials;
    double lineSeconds = 0;  // one unit's time on the line, every step and identify
};

// Checks the recipe whole (pins, files, images, values) and plans it.
// `autoRates` are the rates `-b auto` tries, in its order. False with every
// problem found.
bool PlanRecipe(const Recipe& recipe, StepPreparer& preparer, const std::vector<int32_t>& autoRates,
                StationPlan& plan, std::vector<std::string>& problems);

// The time the identify exchange takes on the line at `rate`.
double IdentifyWireSeconds(int32_t rate);
