// printer-cli para: the print parameters, every field of the PARA tab.
#include <memory>

#include "cli_command.h"
#include "int_conversion.h"
#include "option_values.h"
#include "printer_text.h"

namespace {

constexpr std::array<const char*, 3> kDensities = {"low", "normal", "dark"};
constexpr std::array<const char*, 5> kFonts = {"a", "b", "c", "d", "e"};
constexpr std::array<const char*, 2> kLineEnds = {"lf", "cr"};

struct ParaOptions {
    CLI::App* command = nullptr;
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

// A list's word: as given, or the entry the file's index selects in the
// window's list. An index that selects nothing (the window would send 0xFF)
// is refused.
template <size_t N>
std::optional<std::string> PickWord(const ParaOptions& para, const char* option,
                                    const std::string& given, const ConfigDefaults& config,
                                    const char* key, int32_t fileIndex,
                                    const std::array<const char*, N>& words, std::string& word) {
    word = given;
    if (para.command->count(option) > 0 || !config.settings)
        return std::nullopt;
    if (fileIndex < 0 || fileIndex >= static_cast<int32_t>(N)) {
        return std::string(option) + " (" + config.Key("PARA", key) +
               "): " + std::to_string(fileIndex) + " selects none of 0.." + std::to_string(N - 1);
    }
    word = words[static_cast<size_t>(fileIndex)];
    return std::nullopt;
}

// The code page number: the option as a number or as a name of the file's
// [CODEPAGE] list (any case); else the entry [PARA] CODEPAGE selects, 0 when
// it selects none, as in the window.
std::optional<std::string> PickCodePage(const ParaOptions& para, const ConfigDefaults& config,
                                        int32_t& number, std::string& name) {
    const StartSettings* file = config.settings ? &*config.settings : nullptr;
    if (para.command->count("--codepage") == 0 && file) {
        const int32_t index = file->codePageIndex;
        number = 0;
        if (index >= 0 && static_cast<size_t>(index) < file->codePageNumbers.size()) {
            number = file->codePageNumbers[static_cast<size_t>(index)];
            name = file->codePageNames[static_cast<size_t>(index)];
        }
        return OutsideRange("--codepage (" + config.Key("CODEPAGE", name.c_str()) + ")",
                            std::to_string(number), 0, kMaxCodePageNumber);
    }
    if (!ParseInt32(para.codePage) && file) {
        const std::string wanted = CLI::detail::to_lower(para.codePage);
        for (size_t i = 0; i < file->codePageNames.size(); ++i) {
            if (CLI::detail::to_lower(file->codePageNames[i]) == wanted) {
                name = file->codePageNames[i];
                number = file->codePageNumbers[i];
                return OutsideRange("--codepage (" + config.Key("CODEPAGE", name.c_str()) + ")",
                                    std::to_string(number), 0, kMaxCodePageNumber);
            }
        }
        return "--codepage: '" + para.codePage + "' is neither a number nor a code page of " +
               config.path;
    }
    if (auto refused = OutsideRange("--codepage", para.codePage, 0, kMaxCodePageNumber, false))
        return refused;
    number = *ParseInt32(para.codePage);
    return std::nullopt;
}

std::optional<std::string> ReadPara(const ParaOptions& para, CliRequest& request,
                                    const ConfigDefaults& config) {
    const StartSettings file = config.settings.value_or(StartSettings{});
    const auto pick = [&](const char* option, const std::string& given, const char* key,
                          int32_t fileValue) {
        return Pick(*para.command, option, given, config, config.Key("PARA", key),
                    std::to_string(fileValue));
    };
    const ValueSource rate = pick("--rate", para.rate, "BAUDRATE", file.paraBaudRate);
    const ValueSource idle = pick("--idle", para.idle, "IDLE TIME", file.idleTime);
    const ValueSource off = pick("--off", para.off, "OFF TIME", file.offTime);
    const ValueSource maxFeed = pick("--max-feed", para.maxFeed, "MAX FEED", file.maxFeed);
    const ValueSource page = pick("--page-len", para.pageLength, "PAGE LENGTH", file.pageLength);
    int32_t codePage = 0;
    std::string codePageName;
    std::string density;
    std::string font;
    std::string line;
    if (auto refused = FirstRefusal(
            {NotALineRate(rate.name, rate.text), PickCodePage(para, config, codePage, codePageName),
             PickWord(para, "--density", para.density, config, "DENSITY", file.densityIndex,
                      kDensities, density),
             PickWord(para, "--font", para.font, config, "FONT", file.fontIndex, kFonts, font),
             PickWord(para, "--line", para.line, config, "LINEFEED", file.lineFeedIndex, kLineEnds,
                      line),
             OutsideRange(idle.name, idle.text, 0, kMaxParaNumber),
             OutsideRange(off.name, off.text, 0, kMaxParaNumber),
             OutsideRange(maxFeed.name, maxFeed.text, 0, kMaxParaNumber),
             OutsideRange(page.name, page.text, 0, kMaxParaNumber)}))
        return refused;

    ParaSettings values;
    values.rateText = rate.text;
    values.codePageIndex = 0;
    values.densityIndex = IndexOf(kDensities, density);
    values.fontIndex = IndexOf(kFonts, font);
    values.lineEndIndex = IndexOf(kLineEnds, line);
    values.idleText = idle.text;
    values.offText = off.text;
    values.maxFeedText = maxFeed.text;
    values.pageText = page.text;
    const int32_t numbers[] = {codePage};
    const auto number = [](const ValueSource& source) {
        return *ParseInt32(TrimBlanks(source.text));
    };
    request.settingValues = {
        {"rate", number(rate)},
        {"codepage", codePage},
        {"density", CLI::detail::to_lower(density)},
        {"font", CLI::detail::to_lower(font)},
        {"line", CLI::detail::to_lower(line)},
        {"idle", number(idle)},
        {"off", number(off)},
        {"max-feed", number(maxFeed)},
        {"page-len", number(page)},
    };
    if (!codePageName.empty())
        request.settingValues.insert(request.settingValues.begin() + 2,
                                     {"codepage-name", codePageName});
    return UseSetting(request, "para", "print parameters", PackPrintParameters(values, numbers));
}

}  // namespace

CommandEntry AddParaCommand(CLI::App& app) {
    auto para = std::make_shared<ParaOptions>();
    CLI::App* command = app.add_subcommand("para", "write the print parameters");
    para->command = command;
    command->footer(
        "Every field is written: an option left out is written as its default, or with "
        "--config FILE as the window's configuration holds it ([PARA], [CODEPAGE]).");
    command->add_option("--rate", para->rate, "line rate in bit/s")->capture_default_str();
    command
        ->add_option("--codepage", para->codePage,
                     "code page number, or with --config a name of its [CODEPAGE] (CP850)")
        ->capture_default_str();
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
    return {command,
            [para](CliRequest& request, const ConfigDefaults& config) {
                return ReadPara(*para, request, config);
            },
            shared_option::kPrinterJob | shared_option::kConfig};
}
