#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include "error_codes.h"
#include "ini_storage.h"
#include "int_conversion.h"
#include "logo_list.h"
#include "printer_text.h"
#include "progress_text.h"
#include "result_sound.h"
#include "serial_step.h"
#include "setting_packers.h"
#include "window_observer.h"

namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The selected entry; -1 when the list's text is not one of its entries.
int SelectedIndex(const QComboBox* combo) {
    const int current = combo->currentIndex();
    if (current >= 0 && combo->itemText(current) == combo->currentText())
        return current;
    return combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// An index outside the list leaves it without a selected entry.
void SelectIndex(QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// The first entry whose trimmed text is the rate; no match keeps the list as
// it is.
void SelectRate(QComboBox* combo, int32_t rate) {
    const QString wanted = QString::number(rate);
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).trimmed() == wanted) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

}  // namespace

TfrmMain::TfrmMain(const WindowOptions& options, QWidget* parent) : QMainWindow(parent) {
    BuildControls();
    ConnectHandlers();
    FormCreate(options);
}

TfrmMain::~TfrmMain() {
    FormDestroy();
}

void TfrmMain::ConnectHandlers() {
    connect(btSet, &QPushButton::clicked, this, &TfrmMain::btSetClick);
    connect(btSetBlueTooth, &QPushButton::clicked, this, &TfrmMain::btSetBlueToothClick);
    connect(btIrComm, &QPushButton::clicked, this, &TfrmMain::btIrCommClick);
    connect(btFactory, &QPushButton::clicked, this, &TfrmMain::btFactoryClick);
    connect(btInc, &QPushButton::clicked, this, &TfrmMain::btIncClick);
    connect(btFont, &QPushButton::clicked, this, &TfrmMain::btFontClick);
    connect(btUpdate, &QPushButton::clicked, this, &TfrmMain::btUpdateClick);
    // The logo buttons and the list's context menu share the two actions.
    connect(btAddLogo, &QPushButton::clicked, actAddLogo, &QAction::trigger);
    connect(btDeleteLogo, &QPushButton::clicked, actDelete, &QAction::trigger);
    connect(actAddLogo, &QAction::changed, this,
            [this] { btAddLogo->setEnabled(actAddLogo->isEnabled()); });
    connect(actDelete, &QAction::changed, this,
            [this] { btDeleteLogo->setEnabled(actDelete->isEnabled()); });
    connect(ListLogo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListLogo->viewport()->mapToGlobal(at)); });
    ConnectLogoHandlers();
}

void TfrmMain::FormCreate(const WindowOptions& options) {
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    const QString exeFolder =
        options.exeFolder.isEmpty() ? executable.absolutePath() : options.exeFolder;
    Locations_ = ChooseFileLocations(
        exeFolder,
        options.iniFileName.isEmpty() ? executable.completeBaseName() + ".ini"
                                      : options.iniFileName,
        options.exeFolderWritable ? *options.exeFolderWritable : FolderIsWritable(exeFolder));

    showMessage_ = options.showMessage;
    if (!showMessage_) {
        showMessage_ = [this](const WindowMessage& message) {
            QMessageBox box(message.kind == MessageKind::Information ? QMessageBox::Information
                                                                     : QMessageBox::Critical,
                            message.caption.isEmpty() ? windowTitle() : message.caption,
                            message.text, QMessageBox::Ok, this);
            box.setInformativeText(message.detail);
            box.exec();
        };
    }
    openFile_ = options.openFile;
    if (!openFile_) {
        openFile_ = [this](const OpenFileRequest& request) {
            return QFileDialog::getOpenFileName(this, request.caption, request.folder,
                                                request.filters.join(QStringLiteral(";;")));
        };
    }
    askQuestion_ = options.askQuestion;
    if (!askQuestion_) {
        askQuestion_ = [this](const QString& text) {
            return QMessageBox::question(this, windowTitle(), text) == QMessageBox::Yes;
        };
    }
    playSound_ = options.playSound;
    if (!playSound_) {
        auto* sound = new ResultSound(this);
        playSound_ = [sound](const QString& path) { sound->Play(path); };
    }

    observer_ = new WindowObserver(this);
    observer_->setObjectName(QStringLiteral("WindowObserver"));
    connect(observer_, &WindowObserver::progressReported, this, &TfrmMain::WMProgress,
            Qt::QueuedConnection);
    connect(observer_, &WindowObserver::statusTextChanged, StatusPanel1, &QLabel::setText,
            Qt::QueuedConnection);
    worker_ = std::make_unique<TCommThread>(*observer_);

    PageControl1->setCurrentIndex(0);
    if (!options.port.isEmpty()) {
        const int known = ComboPort->findText(options.port);
        if (known >= 0)
            ComboPort->setCurrentIndex(known);
        else
            ComboPort->setEditText(options.port);
    }
    const QString folderError = PrepareUserFolders(Locations_);
    if (!folderError.isEmpty())
        ShowMessage(MessageKind::Error, folderError);
    LoadConfiguration();
    // Said once, in the wide panel: an installed copy keeps its configuration
    // out of sight. The first job's texts replace it.
    if (const QString note = ConfigurationNote(Locations_); !note.isEmpty())
        StatusPanel1->setText(note);
}

void TfrmMain::FormDestroy() {
    SaveConfiguration();
    worker_.reset();
}

void TfrmMain::LoadConfiguration() {
    const std::optional<std::string> text = ReadIniText(IniFilePath());
    if (!text)
        ShowMessage(MessageKind::Error, UnreadableMessage());
    const StartSettings s = ReadStartSettings(IniFile::Parse(text.value_or(std::string())));
    if (!s.caption.empty())
        setWindowTitle(FromUtf8(s.caption));

    Logo = s.logo;
    const LogoList logos = LoadLogoList(s.logoFiles, Locations_.workFolder);
    LogoPaths = logos.paths;
    ListLogo->addItems(logos.displayNames);
    BuildLogoImage();  // the space text waits for the first ADD or DELETE

    SelectRate(ComboSetBaudRate, s.paraBaudRate);
    SelectIndex(ComboDensity, s.densityIndex);
    SelectIndex(ComboFont, s.fontIndex);
    SelectIndex(comboLineFeed, s.lineFeedIndex);
    edIdle->setText(QString::number(s.idleTime));
    edOff->setText(QString::number(s.offTime));
    edMaxFeed->setText(QString::number(s.maxFeed));
    edPage->setText(QString::number(s.pageLength));

    edName->setText(FromUtf8(s.bluetoothName));
    edPassword->setText(FromUtf8(s.bluetoothPin));
    SelectRate(comboIrBaudRate, s.irBaudRate);

    PageControl1->setTabVisible(PageControl1->indexOf(tsFactory), s.factoryTab);
    if (s.factoryTab) {
        edModalName->setText(FromUtf8(s.factoryModel));
        edSerialNo->setText(FromUtf8(s.factorySerial));
    }

    CodePageNames.clear();
    for (const std::string& name : s.codePageNames)
        CodePageNames.append(FromUtf8(name));
    CodePageNumbers = s.codePageNumbers;
    ComboCodePage->clear();
    ComboCodePage->addItems(CodePageNames);
    SelectIndex(ComboCodePage, s.codePageIndex);

    endpoint_ = s.endpoint;
    transferRate_ = s.transferRate;
}

ExitSettings TfrmMain::ReadExitSettings() const {
    ExitSettings s;
    s.logo = Logo;
    for (const QString& path : LogoPaths)
        s.logoPaths.push_back(Utf8(path));
    s.paraRateText = Utf8(ComboSetBaudRate->currentText());
    s.codePageIndex = SelectedIndex(ComboCodePage);
    s.densityIndex = SelectedIndex(ComboDensity);
    s.fontIndex = SelectedIndex(ComboFont);
    s.lineFeedIndex = SelectedIndex(comboLineFeed);
    s.idleText = Utf8(edIdle->text());
    s.offText = Utf8(edOff->text());
    s.maxFeedText = Utf8(edMaxFeed->text());
    s.pageText = Utf8(edPage->text());
    s.bluetoothName = Utf8(edName->text());
    s.bluetoothPin = Utf8(edPassword->text());
    s.irRateText = Utf8(comboIrBaudRate->currentText());
    s.factoryTab = PageControl1->isTabVisible(PageControl1->indexOf(tsFactory));
    if (s.factoryTab) {
        s.factoryModel = Utf8(edModalName->text());
        s.factorySerial = Utf8(edSerialNo->text());
    }
    return s;
}

void TfrmMain::SaveConfiguration() {
    // Read again, so that what others changed in the file meanwhile stays,
    // apart from the keys the tool owns. A file that cannot be read is never
    // replaced: it would lose everything the tool does not own.
    IniEncoding encoding = IniEncoding::Utf8;
    const std::optional<std::string> text = ReadIniText(IniFilePath(), &encoding);
    if (!text) {
        ShowMessage(MessageKind::Error, UnreadableMessage());
        return;
    }
    IniFile ini = IniFile::Parse(*text);
    const std::vector<UnsavedKey> unsaved = WriteExitSettings(ini, ReadExitSettings());
    QString error;
    if (!StoreIniText(IniFilePath(), ini.Serialize(), error, encoding)) {
        ShowMessage(MessageKind::Error, error);
        return;
    }
    if (!unsaved.empty())
        ShowMessage(MessageKind::Error, FromUtf8(UnsavedKeysMessage(unsaved)));
}

QString TfrmMain::UnreadableMessage() const {
    return QStringLiteral(
               "Unable to read %1; the settings are neither loaded from it nor saved "
               "to it")
        .arg(QDir::toNativeSeparators(IniFilePath()));
}

void TfrmMain::WMProgress(int done, int total) {
    if (const auto text = ProgressText(done, total))
        StatusPanel0->setText(FromUtf8(*text));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!jobRunning_) {
        event->accept();
        return;
    }
    event->ignore();
    const uint8_t job = worker_->JobCode();
    if (job == kJobDownloadFiles || job == kJobFirmwareUpdate) {
        // A transfer can take minutes: ask, and stop it the way Ctrl-C does.
        if (closeRequested_ ||
            !askQuestion_(QStringLiteral("A transfer is running. Stop it after the block in "
                                         "flight and close? Once blocks were written, the "
                                         "printer stays in its %1 mode.")
                              .arg(job == kJobFirmwareUpdate ? QStringLiteral("update")
                                                             : QStringLiteral("download"))))
            return;
        worker_->RequestStop();
    }
    closeRequested_ = true;
    StatusPanel1->setText(QStringLiteral("Closing when the job has ended"));
}

void TfrmMain::btSetClick() {
    ParaSettings para;
    para.rateText = Utf8(ComboSetBaudRate->currentText());
    para.codePageIndex = SelectedIndex(ComboCodePage);
    para.densityIndex = SelectedIndex(ComboDensity);
    para.fontIndex = SelectedIndex(ComboFont);
    para.lineEndIndex = SelectedIndex(comboLineFeed);
    para.idleText = Utf8(edIdle->text());
    para.offText = Utf8(edOff->text());
    para.maxFeedText = Utf8(edMaxFeed->text());
    para.pageText = Utf8(edPage->text());
    RunSettingJob(PackPrintParameters(para, CodePageNumbers));
}

void TfrmMain::btSetBlueToothClick() {
    BluetoothSettings bluetooth;
    bluetooth.name = Utf8(edName->text());
    bluetooth.pin = Utf8(edPassword->text());
    RunSettingJob(PackBluetooth(bluetooth));
}

void TfrmMain::btIrCommClick() {
    IrSettings infrared;
    infrared.rateText = Utf8(comboIrBaudRate->currentText());
    infrared.protocolIndex = SelectedIndex(ComboIrProtocol);
    RunSettingJob(PackInfrared(infrared));
}

void TfrmMain::btFactoryClick() {
    FactorySettings factory;
    factory.modelName = Utf8(edModalName->text());
    factory.serialNo = Utf8(edSerialNo->text());
    RunSettingJob(PackFactory(factory));
}

void TfrmMain::btIncClick() {
    if (const auto stepped = StepSerialNumber(Utf8(edSerialNo->text())))
        edSerialNo->setText(FromUtf8(*stepped));
}

void TfrmMain::RunSettingJob(const PackResult& packed) {
    if (jobRunning_)
        return;  // the payload belongs to the running job
    if (!packed.payload) {
        ShowMessage(MessageKind::Error, FromUtf8(packed.error));
        return;
    }
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    worker_->Payload() = *packed.payload;
    RunJob(kJobSendSetting, *rate);
}

std::optional<int32_t> TfrmMain::PortRateFromControls() {
    const std::string rateText = Utf8(ComboBaud->currentText());
    const std::string_view trimmed = TrimBlanks(rateText);
    const auto rate = ParseInt32(trimmed);
    if (!rate)
        ShowMessage(MessageKind::Error, FromUtf8(InvalidIntegerMessage(trimmed)));
    return rate;
}

void TfrmMain::RunJob(uint8_t jobCode, int32_t portRate) {
    if (jobRunning_)
        return;
    // Every job takes the port name without blanks around it ("COM3 " is
    // COM3), the datagram link included.
    PortName = FromUtf8(std::string(TrimBlanks(Utf8(ComboPort->currentText()))));
    PortRate = portRate;
    JobEnvironment environment;
    environment.portName = Utf8(PortName);
    environment.portRate = PortRate;
    environment.exeFolder = std::filesystem::path(Locations_.dataFolder.toStdU16String());
    environment.endpoint = endpoint_;
    environment.transferRate = transferRate_;
    observer_->SetEnvironment(environment);
    if (!worker_->StartJob(jobCode)) {
        ShowMessage(MessageKind::Error, QStringLiteral("Another job is still running."));
        return;
    }
    jobRunning_ = true;
    SetJobControlsEnabled(false);
    WaitForJob();
    ReportResult();
    SetJobControlsEnabled(true);
    jobRunning_ = false;
    if (closeRequested_)
        close();
}

void TfrmMain::WaitForJob() {
    // The worker signals JobDoneEvent and then reports the end. The queued
    // connection turns that report into an event on this thread, which wakes
    // the wait below, so waiting for more events never outlasts the job.
    QEventLoop loop;
    connect(observer_, &WindowObserver::jobFinished, &loop, &QEventLoop::quit,
            Qt::QueuedConnection);
    while (!worker_->JobDoneEvent().Wait(0))
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    // The last progress report and status text were posted before the end:
    // show them before the result.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

namespace {

// How to reach a printer that a failed job left at another rate.
std::string WayBack(const std::optional<PrinterLeft>& left) {
    if (!left)
        return {};
    if (left->rate <= 0)
        return ": run the job again";
    return ": pick " + std::to_string(left->rate) + " in BAUD RATE and run the job again";
}

}  // namespace

void TfrmMain::ReportResult() {
    const bool ok = worker_->ErrorCode() == kErrorNone;
    if (!ok)
        StatusPanel1->setText(FromUtf8(worker_->FailureReason() + WayBack(worker_->LeftBehind())));
    // The job's result stands; the lost log is said beside it.
    if (const std::string& logError = worker_->LogSaveError(); !logError.empty()) {
        const QString note = QStringLiteral("debug.log not saved: ") + FromUtf8(logError);
        StatusPanel1->setText(ok ? note : StatusPanel1->text() + QStringLiteral("; ") + note);
    }
    if (!ok || !worker_->LogSaveError().empty())
        StatusPanel1->setToolTip(StatusPanel1->text());  // the panel may cut it
    playSound_(Locations_.soundFolder +
               (ok ? QStringLiteral("ok.wav") : QStringLiteral("error.wav")));
    if (ok)
        ShowMessage(MessageKind::Information, QStringLiteral("OK"));
    else
        ShowMessage(MessageKind::Error, QStringLiteral("ERROR"));
}

void TfrmMain::SetJobControlsEnabled(bool enabled) {
    for (QPushButton* button :
         {btSet, btSetBlueTooth, btIrComm, btFactory, btUpdate, btFont, btLOGO})
        button->setEnabled(enabled);
}

void TfrmMain::ShowMessage(MessageKind kind, const QString& text) {
    ShowMessage(WindowMessage{kind, text, {}, {}});
}

void TfrmMain::ShowMessage(const WindowMessage& message) {
    showMessage_(message);
}

QString TfrmMain::AskForFile(const OpenFileRequest& request) {
    return openFile_(request);
}
