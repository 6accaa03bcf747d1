// printer-cli para: the print parameters, every field of the PARA tab.
#include <memory>

#include "cli_command.h"
#include "int_conversion.h"
#include "option_values.h"

namespace {

constexpr std::array<const char*, 3> kDensities = {"low", "normal", "dark"};
constexpr std::array<const char*, 5> kFonts = {"a", "b", "c", "d", "e"};
constexpr std::array<const char*, 2> kLineEnds = {"lf", "cr"};

struct ParaOptions {
    std::string rate = "9600";
    std::string codePage = "0";
    std::string density = "normal";
    std::string font = "a";
    std::string line = "lf";
    std::string idle = "50";
    std::string off = "0";
    std::string maxFeed = "200";
    std::string pageLength = "200";
};

std::optional<std::string> ReadPara(const ParaOptions& para, CliRequest& request) {
    if (auto refused =
            FirstRefusal({NotALineRate("--rate", para.rate),
                          OutsideRange("--codepage", para.codePage, 0, kMaxCodePageNumber, false),
                          OutsideRange("--idle", para.idle, 0, kMaxParaNumber),
                          OutsideRange("--off", para.off, 0, kMaxParaNumber),
                          OutsideRange("--max-feed", para.maxFeed, 0, kMaxParaNumber),
                          OutsideRange("--page-len", para.pageLength, 0, kMaxParaNumber)}))
        return refused;
    const auto codePage = ParseInt32(para.codePage);
    ParaSettings values;
    values.rateText = para.rate;
    values.codePageIndex = 0;
    values.densityIndex = IndexOf(kDensities, para.density);
    values.fontIndex = IndexOf(kFonts, para.font);
    values.lineEndIndex = IndexOf(kLineEnds, para.line);
    values.idleText = para.idle;
    values.offText = para.off;
    values.maxFeedText = para.maxFeed;
    values.pageText = para.pageLength;
    const int32_t numbers[] = {*codePage};
    return UseSetting(request, "para", "print parameters", PackPrintParameters(values, numbers));
}

}  // namespace

CommandEntry AddParaCommand(CLI::App& app) {
    auto para = std::make_shared<ParaOptions>();
    CLI::App* command = app.add_subcommand("para", "write the print parameters");
    command->add_option("--rate", para->rate, "line rate in bit/s")->capture_default_str();
    command->add_option("--codepage", para->codePage, "code page number")->capture_default_str();
    command->add_option("--density", para->density, "print density")
        ->check(Choices(kDensities))
        ->capture_default_str();
    command->add_option("--font", para->font, "default font")
        ->check(Choices(kFonts))
        ->capture_default_str();
    command->add_option("--line", para->line, "line-end character")
        ->check(Choices(kLineEnds))
        ->capture_default_str();
    command->add_option("--idle", para->idle, "idle time in seconds")->capture_default_str();
    command->add_option("--off", para->off, "power-off time in seconds")->capture_default_str();
    command->add_option("--max-feed", para->maxFeed, "maximum paper feed in mm")
        ->capture_default_str();
    command->add_option("--page-len", para->pageLength, "page length in mm")->capture_default_str();
    return {command, [para](CliRequest& request) { return ReadPara(*para, request); }};
}
