// The tool's one window: the port and rate row, six tabs of settings and
// actions, and a two-panel status bar. It owns the worker; each printer
// action reads its controls into plain values, starts one job, waits for it
// while the window stays live, and reports "OK" or "ERROR".
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "comm_thread.h"
#include "configuration.h"
#include "file_locations.h"
#include "logo_image.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QWidget;
class WindowObserver;
struct PackResult;

enum class MessageKind { Information, Error };

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
    // Whether the executable's folder takes files, which picks the portable or
    // the installed layout (FileLocations); empty: tried.
    std::optional<bool> exeFolderWritable;
};

class TfrmMain : public QMainWindow {
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
    void FormDestroy();
    void LoadConfiguration();
    void SaveConfiguration();
    ExitSettings ReadExitSettings() const;
    QString UnreadableMessage() const;

    void btSetClick();
    void btSetBlueToothClick();
    void btIrCommClick();
    void btFactoryClick();
    void btIncClick();
    void btFontClick();
    void btUpdateClick();

    void RunSettingJob(const PackResult& packed);
    // The port and rate of the top row for a job; nothing (after the
    // message) when the rate text does not convert.
    std::optional<int32_t> PortRateFromControls();
    void RunJob(uint8_t jobCode, int32_t portRate);
    void WaitForJob();
    void ReportResult();
    void SetJobControlsEnabled(bool enabled);
    void ShowMessage(MessageKind kind, const QString& text);
    void ShowMessage(const WindowMessage& message);
    QString AskForFile(const OpenFileRequest& request);

    // The NVRAM tab: the logo list, its image and DOWNLOAD.
    void ConnectLogoHandlers();
    bool BuildLogoImage();
    void actAddLogoExecute();
    void actDeleteExecute();
    void actAddLogoUpdate();
    void actDeleteUpdate();
    void UpdateSpaceStatus();
    void ShowLogoPreviews();
    void btLOGOClick();

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

    QString PortName;
    int32_t PortRate = 0;
    FileLocations Locations_;
    LogoSettings Logo;
    QStringList LogoPaths;
    LogoBuild LogoImage;
    QStringList CodePageNames;
    std::vector<int32_t> CodePageNumbers;
    DatagramEndpoint endpoint_;
    int32_t transferRate_ = 115200;

    MessageSink showMessage_;
    SoundSink playSound_;
    OpenFileSink openFile_;
    QuestionSink askQuestion_;
    bool jobRunning_ = false;
    bool closeRequested_ = false;

    WindowObserver* observer_ = nullptr;  // a child; outlives the worker
    std::unique_ptr<TCommThread> worker_;
};
