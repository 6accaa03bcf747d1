// printer-cli bluetooth, ir and factory: the settings of the BLUE TOOTH,
// IrCOMM and Factory tabs.
#include <memory>

#include "cli_command.h"
#include "int_conversion.h"
#include "option_values.h"
#include "printer_text.h"
#include "serial_step.h"

namespace {

constexpr std::array<const char*, 1> kIrProtocols = {"raw"};

struct TextPair {
    CLI::App* command = nullptr;
    std::string first;
    std::string second;
};

struct IrOptions {
    CLI::App* command = nullptr;
    std::string rate = "9600";
    std::string protocol = "raw";
};

// A text the printer needs: as given, else from the file when it has the
// value, else refused as missing.
std::optional<std::string> PickText(const TextPair& texts, const char* option,
                                    const std::string& given, const std::string* fileText,
                                    std::string& text) {
    if (texts.command->count(option) > 0) {
        text = given;
        return std::nullopt;
    }
    if (!fileText)
        return std::string(option) + " is required (or a --config FILE that holds it)";
    text = *fileText;
    return std::nullopt;
}

}  // namespace

CommandEntry AddBluetoothCommand(CLI::App& app) {
    auto texts = std::make_shared<TextPair>();
    CLI::App* command = app.add_subcommand("bluetooth", "write the Bluetooth name and PIN");
    texts->command = command;
    command->footer("With --config FILE, an option left out is taken from its [BLUE TOOTH].");
    command->add_option("--name", texts->first, "device name (required without --config)");
    command->add_option("--pin", texts->second, "PIN (required without --config)");
    return {
        command,
        [texts](CliRequest& request, const ConfigDefaults& config) {
            const StartSettings* file = config.settings ? &*config.settings : nullptr;
            std::string name;
            std::string pin;
            if (auto refused = FirstRefusal({PickText(*texts, "--name", texts->first,
                                                      file ? &file->bluetoothName : nullptr, name),
                                             PickText(*texts, "--pin", texts->second,
                                                      file ? &file->bluetoothPin : nullptr, pin)}))
                return refused;
            request.settingValues = {{"name", name}, {"pin", pin}};
            return UseSetting(request, "bluetooth", "Bluetooth name and PIN",
                              PackBluetooth({name, pin}));
        },
        shared_option::kPrinterJob | shared_option::kConfig};
}

CommandEntry AddInfraredCommand(CLI::App& app) {
    auto ir = std::make_shared<IrOptions>();
    CLI::App* command = app.add_subcommand("ir", "write the infrared settings");
    ir->command = command;
    command->footer(
        "Every field is written: an option left out is written as its default, or with "
        "--config FILE as its [IRCOMM] holds it.");
    command->add_option("--rate", ir->rate, "infrared line rate in bit/s")->capture_default_str();
    command->add_option("--protocol", ir->protocol, "infrared protocol")
        ->check(Choices(kIrProtocols))
        ->capture_default_str();
    return {command,
            [ir](CliRequest& request, const ConfigDefaults& config) -> std::optional<std::string> {
                const ValueSource rate =
                    Pick(*ir->command, "--rate", ir->rate, config, config.Key("IRCOMM", "BAUDRATE"),
                         std::to_string(config.settings ? config.settings->irBaudRate : 0));
                if (auto refused = NotALineRate(rate.name, rate.text))
                    return refused;
                IrSettings values;
                values.rateText = rate.text;
                values.protocolIndex = IndexOf(kIrProtocols, ir->protocol);
                request.settingValues = {{"rate", *ParseInt32(rate.text)},
                                         {"protocol", CLI::detail::to_lower(ir->protocol)}};
                return UseSetting(request, "ir", "infrared settings", PackInfrared(values));
            },
            shared_option::kPrinterJob | shared_option::kConfig};
}

CommandEntry AddFactoryCommand(CLI::App& app) {
    auto texts = std::make_shared<TextPair>();
    CLI::App* command = app.add_subcommand("factory", "write the model name and serial number");
    texts->command = command;
    command->footer(
        "With --config FILE, an option left out is taken from its [FACTORY] (DEVICE NAME, "
        "SERIAL NO) when the file has that section.");
    command->add_option("--model", texts->first, "model name (required without --config)");
    command->add_option("--serial", texts->second, "serial number (required without --config)");
    auto step = std::make_shared<bool>(false);
    command->add_flag("--step", *step, "give each further port the next serial number");
    return {command,
            [texts, step](CliRequest& request,
                          const ConfigDefaults& config) -> std::optional<std::string> {
                const StartSettings* file =
                    config.settings && config.settings->factoryTab ? &*config.settings : nullptr;
                std::string model;
                std::string serial;
                if (auto refused =
                        FirstRefusal({PickText(*texts, "--model", texts->first,
                                               file ? &file->factoryModel : nullptr, model),
                                      PickText(*texts, "--serial", texts->second,
                                               file ? &file->factorySerial : nullptr, serial)}))
                    return refused;
                request.stepSerial = *step;
                if (*step && !StepSerialNumber(serial))
                    return "--step: the serial number '" + serial + "' is not a number";
                request.factory = FactorySettings{model, serial};
                request.settingValues = {{"model", std::string(TrimBlanks(model))},
                                         {"serial", std::string(TrimBlanks(serial))}};
                return UseSetting(request, "factory", "model name and serial number",
                                  PackFactory({model, serial}));
            },
            shared_option::kPrinterJob | shared_option::kConfig};
}
