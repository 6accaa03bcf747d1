// printer-cli logo: pictures composed into the NV logo image and downloaded
// (built only with a picture decoder: Qt's, or the Windows Imaging
// Component's).
#include <memory>

#include "cli_command.h"
#include "int_conversion.h"
#include "option_values.h"

namespace {

struct LogoOptions {
    std::vector<std::string> pictures;
    std::string size = "65536";
    std::string width = "384";
    std::string command = "0x2D";
    std::string address = "0";
    std::string output;
    std::string preview;
    std::string dots = LogoDotsWord(LogoDots::Blue);
    bool dryRun = false;
};

std::optional<std::string> ReadLogo(const LogoOptions& logo, CliRequest& request) {
    // The address may be any 32-bit pattern ("$FFFFFF00"); the transfer
    // checks the range the image covers.
    if (auto bad = FirstRefusal({OutsideRange("--size", logo.size, 1, INT32_MAX, false),
                                 OutsideRange("--width", logo.width, 1, INT32_MAX, false),
                                 OutsideRange("--command", logo.command, 0, kMaxCommandCode, false),
                                 FirstNonInteger({{"--address", logo.address}})}))
        return bad;
    request.command = CliCommand::Logo;
    request.logo = {logo.pictures, *ParseInt32(logo.size), *ParseInt32(logo.width), logo.output,
                    logo.preview};
    request.logo.dots = *ParseLogoDots(logo.dots);  // CLI11 has checked the word
    request.download.command = logo.command;
    request.download.address = logo.address;
    request.dryRun = logo.dryRun;
    return std::nullopt;
}

}  // namespace

CommandEntry AddLogoCommand(CLI::App& app) {
    auto logo = std::make_shared<LogoOptions>();
    CLI::App* command = app.add_subcommand(
        "logo", "compose pictures (BMP, PNG, GIF, JPEG) into the NV logo image and download it");
    command->add_option("--size", logo->size, "the printer's logo memory in bytes")
        ->capture_default_str();
    command->add_option("--width", logo->width, "the widest picture in dots")
        ->capture_default_str();
    command->add_option("--command", logo->command, "the command code of the logo blocks")
        ->capture_default_str();
    command->add_option("--address", logo->address, "the address of the first block")
        ->capture_default_str();
    command->add_option("--output", logo->output, "also write the image to this file");
    command->add_option("--preview", logo->preview,
                        "write a PNG of the dots the printer prints, as --dots makes them");
    std::vector<std::string> dots;
    for (LogoDots choice : kLogoDotsChoices)
        dots.push_back(LogoDotsWord(choice));
    command
        ->add_option("--dots", logo->dots,
                     "how colours become dots: blue (a dot where blue is below half, the rule "
                     "logos are made for), brightness (a dot where the picture is dark), "
                     "dither (dot density follows the shade; for photos)")
        ->check(CLI::IsMember(dots, CLI::ignore_case))
        ->capture_default_str();
    command->add_flag("--dry-run", logo->dryRun,
                      "compose and write the files, show what would be sent; open no port");
    command->add_option("PICTURE", logo->pictures, "the pictures, in order")->required();
    return {command,
            [logo](CliRequest& request, const ConfigDefaults&) { return ReadLogo(*logo, request); },
            shared_option::kPrinterJob | shared_option::kTransferRate};
}
