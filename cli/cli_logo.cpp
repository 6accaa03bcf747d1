#include "cli_logo.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>

#include "logo_pictures.h"
#include "logo_preview_pixels.h"
#include "path_text.h"

namespace {

namespace fs = std::filesystem;

// The name the download shows, as the window's DOWNLOAD does.
constexpr const char* kLogoFileName = "logo.bin";

bool WriteImage(const fs::path& path, const std::vector<uint8_t>& image, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    if (out)
        return true;
    error = PathText(path) + " cannot be written";
    return false;
}

void PrintSpace(const CliRequest& request, const LogoBuild& build) {
    const int64_t used = static_cast<int64_t>(build.image.size());
    const std::string space = LogoSpaceText(used, request.logo.size);
    if (request.json) {
        std::cout << nlohmann::json{{"event", "logo"},
                                    {"pictures", build.records.size()},
                                    {"bytes", used},
                                    {"free", request.logo.size - used},
                                    {"space", space}}
                         .dump()
                  << std::endl;
    } else if (!request.quiet) {
        std::cout << space << "\n";
    }
}

// One line for each picture that the blue rule will print far from how it
// looks; said only while the blue rule is the one in use.
void PrintDotsAdvice(const CliRequest& request, const LogoBuild& build) {
    if (request.logo.dots != LogoDots::Blue || request.quiet)
        return;
    for (size_t i = 0; i < build.records.size(); ++i) {
        const LogoDotsAdvice& advice = build.records[i].advice;
        if (!advice.Large())
            continue;
        const std::string option = std::string("--dots ") + LogoDotsWord(advice.suggestion);
        const int percent = static_cast<int>(advice.disagreement * 100 + 0.5);
        if (request.json) {
            std::cout << nlohmann::json{{"event", "dots"},
                                        {"picture", request.logo.pictures[i]},
                                        {"disagreement", advice.disagreement},
                                        {"try", option}}
                             .dump()
                      << std::endl;
        } else {
            std::cerr << "printer-cli: " << request.logo.pictures[i] << ": the blue rule and "
                      << "brightness disagree on " << percent << "% of its pixels; try " << option
                      << "\n";
        }
    }
}

}  // namespace

ScratchFile::~ScratchFile() {
    if (!path_.empty()) {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
}

const fs::path& ScratchFile::Create() {
    // A path end to end: its narrow form on Windows is the ANSI code page,
    // which a user's temporary folder need not fit.
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("printer-cli-logo-" + std::to_string(random()) + "-" + kLogoFileName);
    return path_;
}

bool PrepareLogoDownload(CliRequest& request, ScratchFile& scratch, std::string& error) {
    std::vector<LogoFile> files;
    for (const std::string& picture : request.logo.pictures)
        files.push_back({picture, picture});
    const LogoBuild build =
        BuildLogoImageFromFiles(files, {request.logo.size, request.logo.width}, request.logo.dots);
    if (!build.Ok()) {
        error = build.failure->reason;
        return false;
    }
    const fs::path image =
        request.logo.output.empty() ? scratch.Create() : PathFromUtf8(request.logo.output);
    if (!WriteImage(image, build.image, error))
        return false;
    if (!request.logo.output.empty() && !request.quiet && !request.json)
        std::cout << "wrote " << request.logo.output << "\n";
    if (!request.logo.preview.empty() && !SaveLogoPreview(build, request.logo.preview, error)) {
        error = "the preview cannot be written: " + error;
        return false;
    }
    PrintDotsAdvice(request, build);
    PrintSpace(request, build);
    request.command = CliCommand::Download;
    request.download.path = image;
    // The image goes by the name it was written under.
    request.download.name =
        request.logo.output.empty() ? kLogoFileName : PathText(image.filename());
    return true;
}
