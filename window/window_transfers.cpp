// The UPDATE tab: FONT downloads "font.bin" from beside the configuration,
// PROGRAM writes a checked firmware image into the printer.
#include <filesystem>

#include "firmware_check.h"
#include "path_text.h"
#include "transfer_input.h"
#include "window_logic.h"

namespace {

constexpr const char* kFontFileName = "font.bin";
constexpr const char* kFontCommand = "$63";
constexpr const char* kFontAddress = "0";
constexpr const char* kInvalidFileCaption = "QVX-II Print Tool";

// On Windows "*.*" matches every file; elsewhere it would hide the files
// without an extension.
std::vector<std::string> FirmwareFilters() {
#ifdef _WIN32
    return {"BINARY FILE(*.bin)", "ALL FILE(*.*)"};
#else
    return {"BINARY FILE(*.bin)", "ALL FILE(*)"};
#endif
}

bool IsFile(const std::string& path) {
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_regular_file(PathFromUtf8(path), ignored);
}

}  // namespace

void WindowLogic::FontDownload() {
    if (jobRunning_)
        return;  // the download list belongs to the running job
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    // The job gets the font's full path: the same file as "font.bin" beside
    // the configuration, without changing the process's current folder.
    const std::string font = files_.fontFolder + kFontFileName;
    if (!IsFile(font)) {
        Say(MessageKind::Error, "The font file " + font + " does not exist.");
        return;
    }
    worker_->Downloads() = {{PathFromUtf8(font), kFontFileName, kFontCommand, kFontAddress}};
    RunJob(kJobDownloadFiles, *rate);
}

void WindowLogic::Program() {
    if (jobRunning_)
        return;  // the image belongs to the running job
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    const std::string chosen = AskForFile({"PROGRAM", files_.workFolder, FirmwareFilters()});
    if (!IsFile(chosen) || jobRunning_)
        return;
    std::vector<uint8_t> image;
    std::string error;
    if (!ReadWholeFile(PathFromUtf8(chosen), image, error)) {
        Say(MessageKind::Error, error);
        return;
    }
    const FirmwareCheckResult check = CheckFirmwareImage(image);
    if (!check.Sound()) {
        Say({MessageKind::Error, "Invalid file", check.reason, kInvalidFileCaption});
        return;
    }
    worker_->Buffer().bytes = std::move(image);
    worker_->Buffer().position = 0;
    RunJob(kJobFirmwareUpdate, *rate);
}
