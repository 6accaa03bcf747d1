// The UPDATE tab: FONT downloads "font.bin" from beside the configuration,
// PROGRAM writes a checked firmware image into the printer.
#include <QFileInfo>
#include <filesystem>

#include "firmware_check.h"
#include "main_window.h"
#include "transfer_input.h"

namespace {

constexpr const char* kFontFileName = "font.bin";
constexpr const char* kFontCommand = "$63";
constexpr const char* kFontAddress = "0";
constexpr const char* kInvalidFileCaption = "QVX-II Print Tool";

// On Windows "*.*" matches every file; elsewhere it would hide the files
// without an extension.
QStringList FirmwareFilters() {
#ifdef _WIN32
    return {QStringLiteral("BINARY FILE(*.bin)"), QStringLiteral("ALL FILE(*.*)")};
#else
    return {QStringLiteral("BINARY FILE(*.bin)"), QStringLiteral("ALL FILE(*)")};
#endif
}

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

}  // namespace

void TfrmMain::btFontClick() {
    if (jobRunning_)
        return;  // the download list belongs to the running job
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    // The job gets the font's full path: the same file as "font.bin" beside
    // the configuration, without changing the process's current folder.
    const QString font = Locations_.fontFolder + QLatin1String(kFontFileName);
    if (!QFileInfo(font).isFile()) {
        ShowMessage(MessageKind::Error,
                    QStringLiteral("The font file %1 does not exist.").arg(font));
        return;
    }
    worker_->Downloads() = {{FileSystemPath(font), kFontFileName, kFontCommand, kFontAddress}};
    RunJob(kJobDownloadFiles, *rate);
}

void TfrmMain::btUpdateClick() {
    if (jobRunning_)
        return;  // the image belongs to the running job
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    const QString chosen =
        AskForFile({QStringLiteral("PROGRAM"), Locations_.workFolder, FirmwareFilters()});
    if (chosen.isEmpty() || !QFileInfo(chosen).isFile())
        return;
    std::vector<uint8_t> image;
    std::string error;
    if (!ReadWholeFile(FileSystemPath(chosen), image, error)) {
        ShowMessage(MessageKind::Error, QString::fromStdString(error));
        return;
    }
    const FirmwareCheckResult check = CheckFirmwareImage(image);
    if (!check.Sound()) {
        ShowMessage(WindowMessage{MessageKind::Error, QStringLiteral("Invalid file"),
                                  QString::fromStdString(check.reason),
                                  QLatin1String(kInvalidFileCaption)});
        return;
    }
    worker_->Buffer().bytes = std::move(image);
    worker_->Buffer().position = 0;
    RunJob(kJobFirmwareUpdate, *rate);
}
