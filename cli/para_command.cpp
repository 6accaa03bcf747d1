// printer-cli para: the print parameters, every field of the PARA tab.
#include <memory>

#include "cli_command.h"
#include "int_conversion.h"
#include "setting_options.h"

namespace {

// Where --config FILE keeps the fields, the code page aside.
std::vector<FileValue> FileValues(const ConfigDefaults& config) {
    if (!config.settings)
        return {};
    const StartSettings& file = *config.settings;
    const auto number = [&](const char* field, const char* key, int32_t value) {
        return FileValue{field, config.Key("PARA", key), std::to_string(value)};
    };
    const auto index = [&](const char* field, const char* key, int32_t value) {
        return FileValue{field, config.Key("PARA", key), std::to_string(value), ChoiceForm::Index};
    };
    return {number("rate", "BAUDRATE", file.paraBaudRate),
            index("density", "DENSITY", file.densityIndex),
            index("font", "FONT", file.fontIndex),
            index("line", "LINEFEED", file.lineFeedIndex),
            number("idle", "IDLE TIME", file.idleTime),
            number("off", "OFF TIME", file.offTime),
            number("max-feed", "MAX FEED", file.maxFeed),
            number("page-len", "PAGE LENGTH", file.pageLength)};
}

// The code page number: the option as a number, or as a name of the file's
// [CODEPAGE] list (any case); else the entry [PARA] CODEPAGE selects, 0 when
// it selects none, as in the window. A name becomes its number, checked as
// the number under the name's key.
std::optional<std::string> PickCodePage(const SettingOptions& para, const ConfigDefaults& config,
                                        FieldInput& input, std::string& name) {
    if (!config.settings)
        return std::nullopt;
    const StartSettings& file = *config.settings;
    const auto named = [&](size_t index) {
        name = file.codePageNames[index];
        input = {std::to_string(file.codePageNumbers[index]),
                 "--codepage (" + config.Key("CODEPAGE", name.c_str()) + ")"};
    };
    if (para.command->count("--codepage") == 0) {
        const int32_t index = file.codePageIndex;
        if (index >= 0 && static_cast<size_t>(index) < file.codePageNumbers.size())
            named(static_cast<size_t>(index));
        else
            input = {"0", "--codepage (" + config.Key("CODEPAGE", "") + ")"};
        return std::nullopt;
    }
    if (ParseInt32(input.text))
        return std::nullopt;
    const std::string wanted = CLI::detail::to_lower(input.text);
    for (size_t i = 0; i < file.codePageNames.size(); ++i) {
        if (CLI::detail::to_lower(file.codePageNames[i]) == wanted) {
            named(i);
            return std::nullopt;
        }
    }
    return "--codepage: '" + input.text + "' is neither a number nor a code page of " + config.path;
}

std::optional<std::string> ReadPara(const SettingOptions& para, CliRequest& request,
                                    const ConfigDefaults& config) {
    std::vector<FieldInput> inputs;
    if (auto refused = OptionInputs(para, FileValues(config), inputs))
        return refused;
    const size_t codePage = static_cast<size_t>(FindField(kPrintParameterSetting, "codepage") -
                                                kPrintParameterSetting.fields.data());
    std::string codePageName;
    if (auto refused = PickCodePage(para, config, inputs[codePage], codePageName))
        return refused;
    if (auto refused = UseSettingInputs(request, kPrintParameterSetting, inputs))
        return refused;
    if (!codePageName.empty()) {
        const auto at = request.settingValues.begin() + static_cast<ptrdiff_t>(codePage) + 1;
        request.settingValues.insert(at, {"codepage-name", codePageName});
    }
    return std::nullopt;
}

}  // namespace

CommandEntry AddParaCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("para", "write the print parameters");
    command->footer(
        "Every field is written: an option left out is written as its default, or with "
        "--config FILE as the window's configuration holds it ([PARA], [CODEPAGE]).");
    auto para = AddSettingOptions(*command, kPrintParameterSetting);
    CLI::Option* codePage = command->get_option("--codepage");
    codePage->description(codePage->get_description() +
                          ", or with --config a name of its [CODEPAGE] (CP850)");
    return {command,
            [para](CliRequest& request, const ConfigDefaults& config) {
                return ReadPara(*para, request, config);
            },
            shared_option::kPrinterJob | shared_option::kConfig};
}
