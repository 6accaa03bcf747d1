#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSessionManager>
#include <QShortcut>
#include <QStatusBar>

#include "modal_guard.h"
#include "port_list.h"
#include "program_version.h"
#include "result_sound.h"
#include "window_observer.h"

namespace {

// How long a session that ends during a job gives it to stop and save.
constexpr int kSessionEndWaitMs = 4000;

// Marks the widget whose edit is being handed to the logic.
class TypingIn {
  public:
    TypingIn(const QWidget*& slot, const QWidget* widget) : slot_(slot) { slot_ = widget; }
    ~TypingIn() { slot_ = nullptr; }
    TypingIn(const TypingIn&) = delete;
    TypingIn& operator=(const TypingIn&) = delete;

  private:
    const QWidget*& slot_;
};

std::string Utf8(const QString& text) {
    return text.toStdString();
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr ListId kLists[] = {ListId::Port,     ListId::Baud,       ListId::ParaBaudRate,
                             ListId::CodePage, ListId::Density,    ListId::Font,
                             ListId::LineFeed, ListId::IrBaudRate, ListId::IrProtocol};
constexpr FieldId kFields[] = {FieldId::Idle,      FieldId::Off,           FieldId::MaxFeed,
                               FieldId::Page,      FieldId::BluetoothName, FieldId::BluetoothPin,
                               FieldId::ModelName, FieldId::SerialNo};
constexpr ButtonId kButtons[] = {
    ButtonId::SetPara,      ButtonId::Program,     ButtonId::FontDownload, ButtonId::LogoDownload,
    ButtonId::SetBluetooth, ButtonId::SetInfrared, ButtonId::SetFactory,   ButtonId::StepSerial};

}  // namespace

TfrmMain::TfrmMain(const WindowOptions& options, QWidget* parent) : QMainWindow(parent) {
    BuildControls();
    FormCreate(options);
}

TfrmMain::~TfrmMain() {
    logic_->Exit();
    logic_.reset();  // ends the worker while the window still takes its posts
}

void TfrmMain::FormCreate(const WindowOptions& options) {
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    const QString exeFolder =
        options.exeFolder.isEmpty() ? executable.absolutePath() : options.exeFolder;
    Locations_ = ChooseFileLocations(
        exeFolder,
        options.iniFileName.isEmpty() ? executable.completeBaseName() + ".ini"
                                      : options.iniFileName,
        options.filesBesideProgram ? *options.filesBesideProgram : FilesBesideProgram(exeFolder));

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
        // No is the default: Enter, Escape and closing the box keep things.
        askQuestion_ = [this](const QString& text) {
            return QMessageBox::question(this, windowTitle(), text,
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        };
    }
    playSound_ = options.playSound;
    if (!playSound_) {
        auto* sound = new ResultSound(this);
        playSound_ = [sound](const QString& path) { sound->Play(path); };
    }

    WindowSetup setup;
    setup.files = {Utf8(Locations_.exeFolder),    Utf8(Locations_.configFile),
                   Utf8(Locations_.workFolder),   Utf8(Locations_.dataFolder),
                   Utf8(Locations_.fontFolder),   Utf8(Locations_.soundFolder),
                   Utf8(Locations_.defaultConfig)};
    setup.ports = PortEntries();
    setup.listPorts = [] { return PortEntries(); };
    setup.port = Utf8(options.port);
    setup.startNote = Utf8(ConfigurationNote(Locations_));
    WindowView& view = *this;
    logic_ = std::make_unique<WindowLogic>(view, decoder_, std::move(setup));
    observer_ = new WindowObserver(logic_->Observer(), this);
    observer_->setObjectName(QStringLiteral("WindowObserver"));

    PageControl1->setCurrentIndex(0);
    const QString folderError = PrepareUserFolders(Locations_);
    if (!folderError.isEmpty()) {
        const ModalGuard box(*logic_);
        showMessage_(WindowMessage{MessageKind::Error, folderError, {}, {}});
    }
    ConnectHandlers();
    logic_->Start();
}

void TfrmMain::ConnectHandlers() {
    // Only what the user did reaches the logic: the widgets' signals are
    // blocked while Show draws the state.
    for (const ListId id : kLists) {
        QComboBox* combo = ListWidget(id);
        connect(combo, &QComboBox::editTextChanged, this, [this, id, combo](const QString& text) {
            const TypingIn typing(typingIn_, combo);
            logic_->ListEdited(id, Utf8(text));
        });
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, id](int index) { logic_->ListPicked(id, index); });
    }
    for (const FieldId id : kFields) {
        QLineEdit* field = FieldWidget(id);
        connect(field, &QLineEdit::textChanged, this, [this, id, field](const QString& text) {
            const TypingIn typing(typingIn_, field);
            logic_->FieldEdited(id, Utf8(text));
        });
    }
    for (const ButtonId id : kButtons)
        connect(ButtonWidget(id), &QPushButton::clicked, this, [this, id] { Forward(id); });
    // STOP is clicked during the job it stops: no wait of its own.
    connect(btStop, &QPushButton::clicked, this, [this] { logic_->Clicked(ButtonId::Stop); });
    // The logo buttons and the list's context menu share the two actions.
    connect(actAddLogo, &QAction::triggered, this, [this] { Forward(ButtonId::AddLogo); });
    connect(actDelete, &QAction::triggered, this, [this] { Forward(ButtonId::DeleteLogo); });
    connect(btAddLogo, &QPushButton::clicked, actAddLogo, &QAction::trigger);
    connect(btDeleteLogo, &QPushButton::clicked, actDelete, &QAction::trigger);
    connect(actAddLogo, &QAction::changed, this,
            [this] { btAddLogo->setEnabled(actAddLogo->isEnabled()); });
    connect(actDelete, &QAction::changed, this,
            [this] { btDeleteLogo->setEnabled(actDelete->isEnabled()); });
    connect(ListLogo, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = ListLogo->selectedItems();
        logic_->LogoSelected(selected.isEmpty() ? -1 : ListLogo->row(selected.first()));
    });
    // About: F1, or the status bar's context menu (the window has no menu
    // bar, which would move every control).
    auto* help = new QShortcut(QKeySequence(QKeySequence::HelpContents), this);
    connect(help, &QShortcut::activated, this, [this] { logic_->ShowAbout(kProgramVersion); });
    StatusBar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StatusBar1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* about = menu.addAction(QStringLiteral("About printer-tool..."));
        QAction* chosen = nullptr;
        {
            const ModalGuard open(*logic_);
            chosen = menu.exec(StatusBar1->mapToGlobal(at));
        }
        if (chosen == about)
            logic_->ShowAbout(kProgramVersion);
    });
    // Escape during a transfer asks to stop it, as closing the window does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { logic_->EscapePressed(); });
    // Opened as a modal menu, so that the logic counts it like a box.
    connect(ListLogo, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const ModalGuard open(*logic_);
        PopupMenu1->exec(ListLogo->viewport()->mapToGlobal(at));
    });
    // A session that ends during a transfer: refused while the user can
    // still be asked, else the transfer stops, logs and saves in time.
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!gui)
        return;
    connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (!logic_->SessionEndBlockReason().empty() && manager.allowsInteraction()) {
            manager.cancel();
            manager.release();
            return;
        }
        logic_->SessionEnding(kSessionEndWaitMs);
    });
}

void TfrmMain::Forward(ButtonId id) {
    logic_->Clicked(id);
    WaitForJob();
}

void TfrmMain::WaitForJob() {
    // Only the handler that started the job waits; the job's end arrives as
    // a posted call, which wakes the wait below.
    if (waiting_)
        return;
    waiting_ = true;
    QEventLoop loop;
    while (logic_->JobActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    waiting_ = false;
}

void TfrmMain::WMProgress(int done, int total) {
    logic_->Progress(done, total);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (logic_->CloseRequested())
        event->accept();
    else
        event->ignore();
}

std::string TfrmMain::AskForFile(const FileRequest& request) {
    OpenFileRequest asked{FromUtf8(request.caption), FromUtf8(request.folder), {}};
    for (const std::string& filter : request.filters)
        asked.filters.append(FromUtf8(filter));
    return Utf8(openFile_(asked));
}

void TfrmMain::ShowMessage(const ViewMessage& message) {
    showMessage_(WindowMessage{message.kind, FromUtf8(message.text), FromUtf8(message.detail),
                               FromUtf8(message.caption)});
}

bool TfrmMain::AskYesNo(const std::string& text) {
    return askQuestion_(FromUtf8(text));
}

void TfrmMain::PlaySound(const std::string& path) {
    playSound_(FromUtf8(path));
}

void TfrmMain::Post(std::function<void()> call) {
    // Dropped when the window has gone before it runs.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void TfrmMain::CloseWindow() {
    close();
}
