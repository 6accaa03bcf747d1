// printer-cli font, download, firmware and check-firmware: the commands that
// send (or check) a file.
#include <memory>

#include "cli_command.h"
#include "option_values.h"
#include "path_text.h"

namespace {

struct FileOptions {
    std::string file;
    std::string code;
    std::string address = "0";
    bool dryRun = false;
};

void AddDryRun(CLI::App& command, bool& dryRun, const char* what) {
    command.add_flag("--dry-run", dryRun,
                     std::string("check the ") + what + " and show what would be sent");
}

}  // namespace

CommandEntry AddFontCommand(CLI::App& app) {
    auto font = std::make_shared<FileOptions>();
    CLI::App* command =
        app.add_subcommand("font", "download a font image (command 0x63 from address 0)");
    command->add_option("FILE", font->file, "the font image")->required();
    AddDryRun(*command, font->dryRun, "file");
    return {command,
            [font](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                request.command = CliCommand::Download;
                request.download = {PathFromUtf8(font->file), FileName(font->file), "$63", "0"};
                request.dryRun = font->dryRun;
                return std::nullopt;
            },
            shared_option::kPrinterJob | shared_option::kTransferRate};
}

CommandEntry AddDownloadCommand(CLI::App& app) {
    auto download = std::make_shared<FileOptions>();
    CLI::App* command =
        app.add_subcommand("download", "download a file in 256-byte blocks of any command");
    command->add_option("--command", download->code, "the command code of every block")->required();
    command->add_option("--address", download->address, "the address of the first block")
        ->capture_default_str();
    command->add_option("FILE", download->file, "the file to send")->required();
    AddDryRun(*command, download->dryRun, "file");
    return {command,
            [download](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                if (auto bad = FirstRefusal(
                        {OutsideRange("--command", download->code, 0, kMaxCommandCode, false),
                         FirstNonInteger({{"--address", download->address}})}))
                    return bad;
                request.command = CliCommand::Download;
                request.download = {PathFromUtf8(download->file), FileName(download->file),
                                    download->code, download->address};
                request.dryRun = download->dryRun;
                return std::nullopt;
            },
            shared_option::kPrinterJob | shared_option::kTransferRate};
}

CommandEntry AddFirmwareCommand(CLI::App& app) {
    auto firmware = std::make_shared<FileOptions>();
    CLI::App* command =
        app.add_subcommand("firmware", "check a firmware image and write it into the printer");
    command->add_option("FILE", firmware->file, "the firmware image")->required();
    AddDryRun(*command, firmware->dryRun, "image");
    return {command,
            [firmware](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                request.command = CliCommand::Firmware;
                request.firmwarePath = firmware->file;
                request.dryRun = firmware->dryRun;
                return std::nullopt;
            },
            shared_option::kPrinterJob | shared_option::kTransferRate};
}

CommandEntry AddCheckFirmwareCommand(CLI::App& app) {
    auto file = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "check-firmware", "check a firmware image without a printer (exit 0 valid, 2 not)");
    command->add_option("FILE", *file, "the firmware image")->required();
    return {command,
            [file](CliRequest& request, const ConfigDefaults&) -> std::optional<std::string> {
                request.command = CliCommand::CheckFirmware;
                request.firmwarePath = *file;
                return std::nullopt;
            },
            shared_option::kJson | shared_option::kQuiet};
}
