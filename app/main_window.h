// The tool's one window in Qt: the port and rate row, six tabs of settings
// and actions, and a two-panel status bar. It builds the widgets, draws the
// state the window's logic gives it, forwards what the user did, and runs
// the boxes, dialogs and sounds the logic asks for.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "file_locations.h"
#include "qt_picture_decoder.h"
#include "window_logic.h"
#include "window_view.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QWidget;
class WindowObserver;

// A message box: its text, an optional detail below it, and its caption
// (empty: the window's title).
struct WindowMessage {
    MessageKind kind = MessageKind::Information;
    QString text;
    QString detail;
    QString caption;
};

// Message boxes and result sounds pass through these, so that a test can
// take them instead.
using MessageSink = std::function<void(const WindowMessage& message)>;
using SoundSink = std::function<void(const QString& path)>;

// A file-open dialog as the window asks for one. The answer is the chosen
// existing file's full path, or empty when the user cancelled.
struct OpenFileRequest {
    QString caption;
    QString folder;       // where the dialog starts; empty: its own choice
    QStringList filters;  // in order, e.g. "BINARY FILE(*.bin)", "ALL FILE(*.*)"
};
using OpenFileSink = std::function<QString(const OpenFileRequest& request)>;
// A yes-or-no question; true for yes.
using QuestionSink = std::function<bool(const QString& text)>;

// Where the window keeps its files and what it starts with.
struct WindowOptions {
    QString exeFolder;         // empty: the executable's folder
    QString iniFileName;       // empty: the executable's name with ".ini"
    QString port;              // the port to preselect; empty: "COM1"
    MessageSink showMessage;   // empty: message boxes
    SoundSink playSound;       // empty: the result sounds are played
    OpenFileSink openFile;     // empty: a file dialog
    QuestionSink askQuestion;  // empty: a question box
    // Whether the program's files go beside it (the portable layout) or to
    // the user's folders (FileLocations); empty: decided by DetectLayout.
    std::optional<bool> filesBesideProgram;
};

class TfrmMain : public QMainWindow, private WindowView {
    Q_OBJECT

  public:
    explicit TfrmMain(const WindowOptions& options = {}, QWidget* parent = nullptr);
    // Saves the configuration and ends the worker.
    ~TfrmMain() override;

    // The executable's folder with a trailing separator.
    const QString& ExeFolder() const { return Locations_.exeFolder; }
    QString IniFilePath() const { return Locations_.configFile; }
    const FileLocations& Locations() const { return Locations_; }

  public slots:
    // Progress of a block transfer, shown in the first status panel.
    void WMProgress(int done, int total);

  protected:
    // While a job runs the window does not close; it closes once the job has
    // ended and its result was shown.
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    QWidget* BuildTopRow();
    QWidget* BuildParaTab();
    QWidget* BuildUpdateTab();
    QWidget* BuildNvramTab();
    QWidget* BuildBlueToothTab();
    QWidget* BuildIrCommTab();
    QWidget* BuildFactoryTab();
    void BuildStatusBar();
    void ConnectHandlers();
    void FormCreate(const WindowOptions& options);

    // A click, and the wait for the job it started: the window keeps
    // handling events until the job's result has been shown.
    void Forward(ButtonId id);
    void WaitForJob();

    // WindowView.
    void Show(const WindowState& state) override;
    std::string AskForFile(const FileRequest& request) override;
    void ShowMessage(const ViewMessage& message) override;
    bool AskYesNo(const std::string& text) override;
    void PlaySound(const std::string& path) override;
    void Post(std::function<void()> call) override;
    void CloseWindow() override;
    void ShowLogoList(const LogoListState& logos);
    void ShowTransfer(const WindowState& state);

    QComboBox* ListWidget(ListId id) const;
    QLineEdit* FieldWidget(FieldId id) const;
    QPushButton* ButtonWidget(ButtonId id) const;

    // Top row.
    QComboBox* ComboPort = nullptr;
    QComboBox* ComboBaud = nullptr;
    QTabWidget* PageControl1 = nullptr;
    // PARA.
    QComboBox* ComboSetBaudRate = nullptr;
    QComboBox* ComboCodePage = nullptr;
    QComboBox* ComboDensity = nullptr;
    QComboBox* ComboFont = nullptr;
    QComboBox* comboLineFeed = nullptr;
    QLineEdit* edIdle = nullptr;
    QLineEdit* edOff = nullptr;
    QLineEdit* edMaxFeed = nullptr;
    QLineEdit* edPage = nullptr;
    QPushButton* btSet = nullptr;
    // UPDATE.
    QPushButton* btUpdate = nullptr;
    QPushButton* btFont = nullptr;
    // NVRAM.
    QAction* actAddLogo = nullptr;
    QAction* actDelete = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QPushButton* btAddLogo = nullptr;
    QPushButton* btDeleteLogo = nullptr;
    QPushButton* btLOGO = nullptr;
    QListWidget* ListLogo = nullptr;
    // BLUE TOOTH.
    QLineEdit* edName = nullptr;
    QLineEdit* edPassword = nullptr;
    QPushButton* btSetBlueTooth = nullptr;
    // IrCOMM.
    QComboBox* comboIrBaudRate = nullptr;
    QComboBox* ComboIrProtocol = nullptr;
    QPushButton* btIrComm = nullptr;
    // Factory.
    QWidget* tsFactory = nullptr;
    QLineEdit* edModalName = nullptr;
    QLineEdit* edSerialNo = nullptr;
    QPushButton* btFactory = nullptr;
    QPushButton* btInc = nullptr;
    // Status bar.
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;  // the window's own texts
    QLabel* StatusPanel1 = nullptr;  // the worker's texts
    QProgressBar* TransferBar = nullptr;  // with the time left, during a transfer
    QPushButton* btStop = nullptr;

    FileLocations Locations_;
    MessageSink showMessage_;
    SoundSink playSound_;
    OpenFileSink openFile_;
    QuestionSink askQuestion_;
    bool waiting_ = false;
    // The widget whose edit the logic is taking in: drawing leaves its text
    // alone, so that nothing is rewritten under the user's cursor.
    const QWidget* typingIn_ = nullptr;
    uint64_t shownLogoVersion_ = 0;

    QtPictureDecoder decoder_;
    std::unique_ptr<WindowLogic> logic_;
    WindowObserver* observer_ = nullptr;  // a child; hands reports to the logic
};
