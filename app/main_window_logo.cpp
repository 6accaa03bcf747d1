// The NVRAM tab: the list of logo pictures, the image composed from them
// with its space text and previews, and DOWNLOAD.
#include <QAbstractItemModel>
#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <string>
#include <vector>

#include "ini_storage.h"
#include "logo_list.h"
#include "logo_pictures.h"
#include "logo_preview.h"
#include "main_window.h"

namespace {

const QString kLogoFileName = QStringLiteral("logo.bin");

// A picture as an HTML image, for a tooltip.
QString InlineImage(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\">")
        .arg(QString::fromLatin1(png.toBase64()));
}

}  // namespace

void TfrmMain::ConnectLogoHandlers() {
    connect(actAddLogo, &QAction::triggered, this, &TfrmMain::actAddLogoExecute);
    connect(actDelete, &QAction::triggered, this, &TfrmMain::actDeleteExecute);
    connect(btLOGO, &QPushButton::clicked, this, &TfrmMain::btLOGOClick);
    // The enabling rules follow every change of the list. (Not a model
    // reset: the window never clears the list, and the list resets its
    // model as it is destroyed, after the buttons are gone.)
    const auto update = [this] {
        actAddLogoUpdate();
        actDeleteUpdate();
    };
    QAbstractItemModel* model = ListLogo->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, update);
    connect(model, &QAbstractItemModel::rowsRemoved, this, update);
    update();
}

bool TfrmMain::BuildLogoImage() {
    std::vector<LogoFile> files;
    for (int i = 0; i < LogoPaths.size(); ++i)
        files.push_back({LogoPaths[i].toStdString(), ListLogo->item(i)->text().toStdString()});
    LogoImage = BuildLogoImageFromFiles(files, {Logo.size, Logo.width});
    ShowLogoPreviews();
    if (LogoImage.Ok())
        return true;
    ShowMessage(WindowMessage{MessageKind::Error,
                              QString::fromStdString(LogoImage.failure->title),
                              QString::fromStdString(LogoImage.failure->reason),
                              {}});
    return false;
}

void TfrmMain::ShowLogoPreviews() {
    for (int i = 0; i < ListLogo->count(); ++i) {
        QListWidgetItem* item = ListLogo->item(i);
        const size_t index = static_cast<size_t>(i);
        if (index >= LogoImage.records.size()) {
            item->setToolTip(item->text());
            continue;
        }
        const LogoRecord& record = LogoImage.records[index];
        item->setToolTip(QStringLiteral("%1<br>%2 x %3 dots")
                             .arg(InlineImage(LogoRecordPreview(LogoImage, index)))
                             .arg(record.bytesPerRow * 8)
                             .arg(record.rows));
    }
}

void TfrmMain::actAddLogoExecute() {
    const QString file =
        AskForFile({QStringLiteral("Add a logo picture"),
                    QString(),
                    {QStringLiteral("Pictures (*.bmp *.png *.gif *.jpg *.jpeg)"),
                     QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("All files (*)")}});
    if (file.isEmpty())
        return;
    LogoList added;
    AppendLogo(added, file, Locations_.workFolder);
    LogoPaths.append(added.paths);
    ListLogo->addItems(added.displayNames);
    if (!BuildLogoImage()) {
        // Whatever failed, the new entry goes again.
        ListLogo->setCurrentRow(ListLogo->count() - 1);
        actDeleteExecute();
    }
    UpdateSpaceStatus();
}

void TfrmMain::actDeleteExecute() {
    if (ListLogo->count() == 0)
        return;
    const QList<QListWidgetItem*> selected = ListLogo->selectedItems();
    const int index = selected.isEmpty() ? ListLogo->count() - 1 : ListLogo->row(selected.first());
    LogoPaths.removeAt(index);
    delete ListLogo->takeItem(index);
    // No entry stays picked, so that the next DELETE takes the last again.
    ListLogo->setCurrentRow(-1);
    BuildLogoImage();
    UpdateSpaceStatus();
}

void TfrmMain::actAddLogoUpdate() {
    // At most, not below: with LogoQuantity 8 a ninth logo can be added.
    actAddLogo->setEnabled(ListLogo->count() <= Logo.quantity);
}

void TfrmMain::actDeleteUpdate() {
    actDelete->setEnabled(ListLogo->count() > 0);
}

void TfrmMain::UpdateSpaceStatus() {
    StatusPanel0->setText(QString::fromStdString(
        LogoSpaceText(static_cast<int64_t>(LogoImage.image.size()), Logo.size)));
}

void TfrmMain::btLOGOClick() {
    if (jobRunning_)
        return;  // "logo.bin" belongs to the running job
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    // Built afresh, so that a file changed on disk since, or an image that
    // stopped short, is never sent.
    if (!BuildLogoImage())
        return;
    const QString path = Locations_.dataFolder + kLogoFileName;
    QString error;
    const std::string bytes(LogoImage.image.begin(), LogoImage.image.end());
    if (!StoreFileAtomically(path, bytes, error)) {
        ShowMessage(MessageKind::Error, error);
        return;
    }
    // The job opens the file by its full path in the platform's encoding.
    worker_->Downloads() = {{std::filesystem::path(path.toStdU16String()),
                             kLogoFileName.toStdString(), std::to_string(Logo.command),
                             std::to_string(Logo.para)}};
    RunJob(kJobDownloadFiles, *rate);
}
