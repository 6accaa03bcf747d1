// The station's steps judged as printer-cli judges its own options: a
// recipe's [para] table goes through `printer-cli para`'s parser and checks,
// [logo] through `logo`'s, the factory identity through `factory`'s, so a
// value is refused in a recipe exactly when it would be on the command line.
#pragma once

#include "step_preparer.h"

class CliStepPreparer : public StepPreparer {
  public:
    std::optional<PreparedSetting> Setting(SettingStep step, const RecipeValues& values,
                                           std::string& problem) override;
    std::optional<PreparedLogo> Logo(const std::vector<std::filesystem::path>& pictures,
                                     const RecipeValues& options, std::string& problem) override;
    std::optional<std::string> LineRateProblem(const std::string& key, int64_t rate) override;
};
