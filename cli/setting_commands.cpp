// printer-cli bluetooth, ir and factory: the settings of the BLUE TOOTH,
// IrCOMM and Factory tabs.
#include <memory>

#include "cli_command.h"
#include "serial_step.h"
#include "setting_options.h"
#include "setting_packers.h"

CommandEntry AddBluetoothCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("bluetooth", "write the Bluetooth name and PIN");
    command->footer("With --config FILE, an option left out is taken from its [BLUE TOOTH].");
    auto options = AddSettingOptions(*command, kBluetoothSetting);
    return {command,
            [options](CliRequest& request, const ConfigDefaults& config) {
                std::vector<FileValue> file;
                if (config.settings) {
                    file = {
                        {"name", config.Key("BLUE TOOTH", "DEVICE NAME"),
                         config.settings->bluetoothName},
                        {"pin", config.Key("BLUE TOOTH", "PIN"), config.settings->bluetoothPin}};
                }
                return ReadSettingOptions(request, *options, file);
            },
            shared_option::kPrinterJob | shared_option::kConfig};
}

CommandEntry AddInfraredCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("ir", "write the infrared settings");
    command->footer(
        "Every field is written: an option left out is written as its default, or with "
        "--config FILE as its [IRCOMM] holds it.");
    auto options = AddSettingOptions(*command, kInfraredSetting);
    return {command,
            [options](CliRequest& request, const ConfigDefaults& config) {
                std::vector<FileValue> file;
                if (config.settings) {
                    file = {{"rate", config.Key("IRCOMM", "BAUDRATE"),
                             std::to_string(config.settings->irBaudRate)}};
                }
                return ReadSettingOptions(request, *options, file);
            },
            shared_option::kPrinterJob | shared_option::kConfig};
}

CommandEntry AddFactoryCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("factory", "write the model name and serial number");
    command->footer(
        "With --config FILE, an option left out is taken from its [FACTORY] (DEVICE NAME, "
        "SERIAL NO) when the file has that section.");
    auto options = AddSettingOptions(*command, kFactorySetting);
    auto step = std::make_shared<bool>(false);
    command->add_flag("--step", *step, "give each further port the next serial number");
    return {
        command,
        [options, step](CliRequest& request,
                        const ConfigDefaults& config) -> std::optional<std::string> {
            std::vector<FileValue> file;
            if (config.settings && config.settings->factoryTab) {
                file = {
                    {"model", config.Key("FACTORY", "DEVICE NAME"), config.settings->factoryModel},
                    {"serial", config.Key("FACTORY", "SERIAL NO"), config.settings->factorySerial}};
            }
            std::vector<FieldInput> inputs;
            if (auto refused = OptionInputs(*options, file, inputs))
                return refused;
            const std::string& serial = inputs[1].text;
            request.stepSerial = *step;
            if (*step && !StepSerialNumber(serial))
                return "--step: the serial number '" + serial + "' is not a number";
            // Each port packs its own serial number again.
            request.factory = FactorySettings{inputs[0].text, serial};
            return UseSettingInputs(request, kFactorySetting, inputs);
        },
        shared_option::kPrinterJob | shared_option::kConfig};
}
