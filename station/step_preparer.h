// What the station asks of its face to turn a recipe's values into what
// the printer gets. The face owns the checks its users already know (the
// command line's option checks, the window's fields), so a value is judged
// the same way in a recipe as when it is typed; the station only orders the
// steps and runs them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "recipe.h"
#include "setting_payload.h"

enum class SettingStep { Para, Bluetooth, Infrared, Factory };

struct PreparedSetting {
    SettingPayload payload;
    std::string values;  // what it writes, for messages: "rate 9600, density dark"
};

struct PreparedLogo {
    std::vector<uint8_t> image;  // the NV logo image
    std::string command;         // its block command and first address, in the
    std::string address;         // tool's integer notation ("0x2D", "0")
    std::string description;     // "2 pictures, 1234 bytes of 65536"
};

class StepPreparer {
  public:
    virtual ~StepPreparer() = default;

    // The payload of a setting step, or nothing with `problem` saying which
    // value is refused and why. The factory step gets "model" and "serial".
    // Called from any thread, for the factory step once a unit.
    virtual std::optional<PreparedSetting> Setting(SettingStep step, const RecipeValues& values,
                                                   std::string& problem) = 0;

    // The logo image composed of the pictures, with the logo's options
    // (dots, size, width, command, address).
    virtual std::optional<PreparedLogo> Logo(const std::vector<std::filesystem::path>& pictures,
                                             const RecipeValues& options, std::string& problem) = 0;

    // Why `rate` is not a rate the printer can be found at, or nothing.
    virtual std::optional<std::string> LineRateProblem(const std::string& key, int64_t rate) = 0;
};
