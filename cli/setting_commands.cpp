// printer-cli bluetooth, ir and factory: the settings of the BLUE TOOTH,
// IrCOMM and Factory tabs.
#include <memory>

#include "cli_command.h"
#include "option_values.h"
#include "serial_step.h"

namespace {

constexpr std::array<const char*, 1> kIrProtocols = {"raw"};

struct TextPair {
    std::string first;
    std::string second;
};

struct IrOptions {
    std::string rate = "9600";
    std::string protocol = "raw";
};

}  // namespace

CommandEntry AddBluetoothCommand(CLI::App& app) {
    auto texts = std::make_shared<TextPair>();
    CLI::App* command = app.add_subcommand("bluetooth", "write the Bluetooth name and PIN");
    command->add_option("--name", texts->first, "device name")->required();
    command->add_option("--pin", texts->second, "PIN")->required();
    return {command, [texts](CliRequest& request) {
                return UseSetting(request, "bluetooth", "Bluetooth name and PIN",
                                  PackBluetooth({texts->first, texts->second}));
            }};
}

CommandEntry AddInfraredCommand(CLI::App& app) {
    auto ir = std::make_shared<IrOptions>();
    CLI::App* command = app.add_subcommand("ir", "write the infrared settings");
    command->add_option("--rate", ir->rate, "infrared line rate in bit/s")->capture_default_str();
    command->add_option("--protocol", ir->protocol, "infrared protocol")
        ->check(Choices(kIrProtocols))
        ->capture_default_str();
    return {command, [ir](CliRequest& request) -> std::optional<std::string> {
                if (auto refused = NotALineRate("--rate", ir->rate))
                    return refused;
                IrSettings values;
                values.rateText = ir->rate;
                values.protocolIndex = IndexOf(kIrProtocols, ir->protocol);
                return UseSetting(request, "ir", "infrared settings", PackInfrared(values));
            }};
}

CommandEntry AddFactoryCommand(CLI::App& app) {
    auto texts = std::make_shared<TextPair>();
    CLI::App* command = app.add_subcommand("factory", "write the model name and serial number");
    command->add_option("--model", texts->first, "model name")->required();
    command->add_option("--serial", texts->second, "serial number")->required();
    auto step = std::make_shared<bool>(false);
    command->add_flag("--step", *step, "give each further port the next serial number");
    return {command, [texts, step](CliRequest& request) -> std::optional<std::string> {
                request.stepSerial = *step;
                if (*step && !StepSerialNumber(texts->second))
                    return "--step: the serial number '" + texts->second + "' is not a number";
                request.factory = FactorySettings{texts->first, texts->second};
                return UseSetting(request, "factory", "model name and serial number",
                                  PackFactory({texts->first, texts->second}));
            }};
}
