#include "station_steps.h"

#include <algorithm>

#include "cli_command.h"
#include "option_values.h"
#include "path_text.h"
#include "setting_values.h"
#ifdef PRINTER_CLI_LOGO
#include "logo_pictures.h"
#endif

namespace {

using AddCommand = CommandEntry (*)(CLI::App&);

// The command's own parser and reader over the recipe's values, as if they
// had been typed after "printer-cli COMMAND"; keys are its option names.
std::optional<CliRequest> ReadAsCommand(AddCommand add, const std::string& name,
                                        const RecipeValues& values,
                                        const std::vector<std::string>& positionals,
                                        std::string& problem) {
    CLI::App app;
    const CommandEntry entry = add(app);
    std::vector<std::string> words = {name};
    // "--key=value", so that a value that starts with a dash stays a value.
    for (const auto& [key, value] : values)
        words.push_back("--" + key + "=" + value);
    if (!positionals.empty())
        words.push_back("--");
    words.insert(words.end(), positionals.begin(), positionals.end());
    std::reverse(words.begin(), words.end());  // CLI11 takes a vector last word first
    try {
        app.parse(words);
    } catch (const CLI::ParseError& error) {
        problem = error.what();
        return std::nullopt;
    }
    CliRequest request;
    if (auto refused = entry.read(request, ConfigDefaults{})) {
        problem = *refused;
        return std::nullopt;
    }
    return request;
}

std::string ValuesText(const std::vector<WrittenValue>& values) {
    std::string text;
    for (const WrittenValue& v : values) {
        text += (text.empty() ? "" : ", ") + v.name + " " +
                (v.value.is_string() ? v.value.get<std::string>() : v.value.dump());
    }
    return text;
}

}  // namespace

std::optional<PreparedSetting> CliStepPreparer::Setting(SettingStep step,
                                                        const RecipeValues& values,
                                                        std::string& problem) {
    AddCommand add = AddParaCommand;
    const char* name = "para";
    switch (step) {
        case SettingStep::Para:
            break;
        case SettingStep::Bluetooth:
            add = AddBluetoothCommand;
            name = "bluetooth";
            break;
        case SettingStep::Infrared:
            add = AddInfraredCommand;
            name = "ir";
            break;
        case SettingStep::Factory:
            add = AddFactoryCommand;
            name = "factory";
            break;
    }
    const auto request = ReadAsCommand(add, name, values, {}, problem);
    if (!request)
        return std::nullopt;
    return PreparedSetting{request->payload, ValuesText(request->settingValues)};
}

std::optional<PreparedLogo> CliStepPreparer::Logo(
    const std::vector<std::filesystem::path>& pictures, const RecipeValues& options,
    std::string& problem) {
#ifdef PRINTER_CLI_LOGO
    std::vector<std::string> names;
    for (const auto& picture : pictures)
        names.push_back(PathText(picture));
    const auto request = ReadAsCommand(AddLogoCommand, "logo", options, names, problem);
    if (!request)
        return std::nullopt;
    for (const auto& [key, value] : options) {
        if (key == "output" || key == "preview" || key == "dry-run") {
            problem = "--" + key + " is not for a recipe";
            return std::nullopt;
        }
    }
    std::vector<LogoFile> files;
    for (const std::string& name : names)
        files.push_back({name, FileName(name)});
    const LogoBuild build = BuildLogoImageFromFiles(
        files, {request->logo.size, request->logo.width}, request->logo.dots);
    if (!build.Ok()) {
        problem = build.failure->reason;
        return std::nullopt;
    }
    PreparedLogo logo;
    logo.image = build.image;
    logo.command = request->download.command;
    logo.address = request->download.address;
    for (const LogoFile& file : files)
        logo.description += (logo.description.empty() ? "" : ", ") + file.name;
    logo.description += std::string(" with --dots ") + LogoDotsWord(request->logo.dots);
    return logo;
#else
    (void)pictures;
    (void)options;
    problem = "this printer-cli was built without image support: it cannot compose a logo";
    return std::nullopt;
#endif
}

std::optional<std::string> CliStepPreparer::LineRateProblem(const std::string& key, int64_t rate) {
    // Refused as the settings' own rate fields refuse it.
    const SettingField field{key.c_str(), key.c_str(), "line rate", FieldKind::Rate, 0, 4};
    const FieldReading reading = ReadField(field, {std::to_string(rate), key, ChoiceForm::Words});
    if (reading.value)
        return std::nullopt;
    return reading.refusal;
}
