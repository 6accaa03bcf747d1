#include "setting_options.h"

#include "option_values.h"
#include "setting_packers.h"

namespace {

// A value as the OK line and the JSON result give it: numbers as numbers, a
// choice as its word, a text as sent.
nlohmann::json Written(const SettingField& field, const FieldValue& value) {
    switch (field.kind) {
        case FieldKind::Number:
        case FieldKind::Rate:
            return value.number;
        case FieldKind::Choice:
            return field.words[static_cast<size_t>(value.number)];
        case FieldKind::Text:
            break;
    }
    return value.text;
}

}  // namespace

std::shared_ptr<SettingOptions> AddSettingOptions(CLI::App& command, const SettingLayout& layout) {
    auto options = std::make_shared<SettingOptions>();
    options->layout = &layout;
    options->command = &command;
    options->given.resize(layout.fields.size());
    for (size_t i = 0; i < layout.fields.size(); ++i) {
        const SettingField& field = layout.fields[i];
        std::string help = field.meaning;
        if (const std::string accepted = AcceptedText(field, ChoiceForm::Words); !accepted.empty())
            help += " (" + accepted + ")";
        if (!field.defaultText)
            help += " (required without --config)";
        if (field.defaultText)
            options->given[i] = field.defaultText;
        CLI::Option* option =
            command.add_option(std::string("--") + field.name, options->given[i], help);
        if (field.defaultText)
            option->capture_default_str();
    }
    return options;
}

std::optional<std::string> OptionInputs(const SettingOptions& options,
                                        std::span<const FileValue> file,
                                        std::vector<FieldInput>& inputs) {
    inputs.clear();
    for (size_t i = 0; i < options.layout->fields.size(); ++i) {
        const SettingField& field = options.layout->fields[i];
        const std::string option = std::string("--") + field.name;
        const FileValue* kept = nullptr;
        for (const FileValue& value : file) {
            if (std::string_view(value.field) == field.name)
                kept = &value;
        }
        if (options.command->count(option) > 0 || (!kept && field.defaultText))
            inputs.push_back({options.given[i], option, ChoiceForm::Words});
        else if (kept)
            inputs.push_back({kept->text, option + " (" + kept->key + ")", kept->form});
        else
            return option + " is required (or a --config FILE that holds it)";
    }
    return std::nullopt;
}

std::optional<std::string> UseSettingInputs(CliRequest& request, const SettingLayout& layout,
                                            std::span<const FieldInput> inputs) {
    const SettingReading read = ReadSetting(layout, inputs);
    if (!read.refusal.empty())
        return read.refusal;
    request.settingValues.clear();
    for (size_t i = 0; i < layout.fields.size(); ++i)
        request.settingValues.push_back(
            {layout.fields[i].name, Written(layout.fields[i], read.values[i])});
    return UseSetting(request, layout.name, layout.what, PackSetting(layout, read.values));
}

std::optional<std::string> ReadSettingOptions(CliRequest& request, const SettingOptions& options,
                                              std::span<const FileValue> file) {
    std::vector<FieldInput> inputs;
    if (auto refused = OptionInputs(options, file, inputs))
        return refused;
    return UseSettingInputs(request, *options.layout, inputs);
}
