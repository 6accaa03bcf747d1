// The NVRAM tab: the list of logo pictures, the image composed from them
// with its space text, and DOWNLOAD.
#include <algorithm>

#include "ini_storage.h"
#include "logo_list.h"
#include "path_text.h"
#include "system_code_page.h"
#include "window_logic.h"

namespace {

constexpr const char* kLogoFileName = "logo.bin";

// The preview's word when the blue rule would print a picture unlike it looks.
std::string DotsHint(const LogoRecord& record, LogoDots dots) {
    if (dots != LogoDots::Blue || !record.advice.Large())
        return {};
    const int percent = static_cast<int>(record.advice.disagreement * 100 + 0.5);
    return "the blue rule and brightness disagree on " + std::to_string(percent) +
           "% of its pixels; try DOTS=" + LogoDotsWord(record.advice.suggestion) + " in [LOGO]";
}

// The picture's name for messages: a missing file says so itself.
std::string WithoutMissingSuffix(const std::string& shown) {
    const std::string_view suffix = kMissingLogoSuffix;
    if (shown.size() >= suffix.size() && shown.ends_with(suffix))
        return shown.substr(0, shown.size() - suffix.size());
    return shown;
}

}  // namespace

bool WindowLogic::BuildLogoImage(bool quiet) {
    // Each picture is decoded just before it is composed; the first that
    // fails ends the build.
    LogoComposer composer(logoPaths_.size(), {logo_.size, logo_.width}, logo_.dots);
    for (size_t i = 0; i < logoPaths_.size() && composer.Build().Ok(); ++i) {
        LogoFailure failure;
        const std::optional<LogoPicture> picture =
            decoder_.Decode(logoPaths_[i], WithoutMissingSuffix(state_.logos.names[i]), failure);
        if (!picture) {
            composer.Fail(failure);
            break;
        }
        composer.Append(*picture);
    }
    state_.logos.image = composer.Take();
    ++state_.logos.imageVersion;
    state_.logos.dotsHints.clear();
    for (const LogoRecord& record : state_.logos.image.records)
        state_.logos.dotsHints.push_back(DotsHint(record, logo_.dots));
    Publish();
    if (state_.logos.image.Ok())
        return true;
    if (quiet)
        return false;
    const LogoFailure& failure = *state_.logos.image.failure;
    Say({MessageKind::Error, failure.title, failure.reason, {}});
    return false;
}

void WindowLogic::AddLogo() {
    if (jobRunning_)
        return;  // the list is what a running DOWNLOAD sends
    const std::string file = AskForFile(
        {"Add a logo picture",
         {},
         {"Pictures (*.bmp *.png *.gif *.jpg *.jpeg)", "Bitmaps (*.bmp)", "All files (*)"}});
    if (file.empty())
        return;
    // The list goes back into the configuration at exit, in its code page.
    if (configEncoding_ == IniEncoding::SystemCodePage && !Utf8ToCodePage(file)) {
        Say(MessageKind::Error, NativePathText(file) +
                                    " cannot be kept in the configuration: its code page has no "
                                    "character for part of the name. Rename the picture, or "
                                    "save the configuration as UTF-8.");
        return;
    }
    LogoList added;
    AppendLogo(added, file, files_.workFolder);
    logoPaths_.insert(logoPaths_.end(), added.paths.begin(), added.paths.end());
    state_.logos.names.insert(state_.logos.names.end(), added.displayNames.begin(),
                              added.displayNames.end());
    if (!BuildLogoImage()) {
        // Whatever failed, the new entry goes again.
        state_.logos.selected = static_cast<int>(state_.logos.names.size()) - 1;
        DeleteLogo();
    }
    UpdateSpaceStatus();
}

void WindowLogic::DeleteLogo() {
    LogoListState& logos = state_.logos;
    if (jobRunning_ || logos.names.empty())
        return;
    const int last = static_cast<int>(logos.names.size()) - 1;
    const size_t index =
        static_cast<size_t>(logos.selected < 0 ? last : std::min(logos.selected, last));
    logoPaths_.erase(logoPaths_.begin() + static_cast<std::ptrdiff_t>(index));
    logos.names.erase(logos.names.begin() + static_cast<std::ptrdiff_t>(index));
    // No entry stays picked, so that the next DELETE takes the last again.
    logos.selected = -1;
    BuildLogoImage();
    UpdateSpaceStatus();
}

void WindowLogic::UpdateSpaceStatus() {
    state_.panel0.text =
        LogoSpaceText(static_cast<int64_t>(state_.logos.image.image.size()), logo_.size);
    Publish();
}

void WindowLogic::LogoDownload() {
    if (jobRunning_)
        return;  // "logo.bin" belongs to the running job
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    // An empty image erases every logo the printer holds: only when asked.
    if (logoPaths_.empty() &&
        !AskYesNo("The logo list is empty: DOWNLOAD erases every logo in the printer. Erase "
                  "them?"))
        return;
    // Built afresh, so that a file changed on disk since, or an image that
    // stopped short, is never sent.
    if (!BuildLogoImage())
        return;
    const std::string path = files_.dataFolder + kLogoFileName;
    std::string error;
    const std::vector<uint8_t>& image = state_.logos.image.image;
    if (!StoreFileAtomically(path, std::string(image.begin(), image.end()), error)) {
        Say(MessageKind::Error, error);
        return;
    }
    worker_->Downloads() = {{PathFromUtf8(path), kLogoFileName, std::to_string(logo_.command),
                             std::to_string(logo_.para)}};
    RunJob(kJobDownloadFiles, *rate);
}
