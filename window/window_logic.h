// The window's behaviour, whatever draws it: its state, every handler, the
// configuration at start and exit, and the jobs with their results. A face
// forwards what the user did to the calls below and draws what Show gives
// it; the worker's reports arrive through the face's Post.
//
// The logic is a small state machine:
//   Idle        the user may start anything;
//   RunningJob  a job runs: job clicks are ignored, reports update the
//               status bar, the job's end shows the result;
//   AskingUser  a modal box or dialog is open: clicks are ignored, reports
//               update the status bar, a job's end waits for the answer,
//               a close waits until the box is answered;
//   Closing     the user closed the window during a job: it closes once
//               the result has been shown;
//   Closed      the window may go.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm_thread.h"
#include "configuration.h"
#include "ini_storage.h"
#include "job_observer.h"
#include "window_state.h"
#include "window_view.h"

struct PackResult;

// Where the window keeps its files (UTF-8; folders end with a separator).
struct WindowFiles {
    std::string exeFolder;
    std::string configFile;   // the INI file's full path
    std::string workFolder;   // relative logo paths and file dialogs start here
    std::string dataFolder;   // "debug.log" and "logo.bin"
    std::string fontFolder;   // "font.bin"
    std::string soundFolder;  // "ok.wav" and "error.wav"
    // The shipped configuration a first start copies; empty: the copy
    // compiled into the program.
    std::string defaultConfig;
};

// An entry of the port list: what the link opens, and what is shown beside
// it (empty for the fixed names).
struct PortEntry {
    std::string name;
    std::string description;
};

struct WindowSetup {
    WindowFiles files;
    std::vector<PortEntry> ports;
    std::string port;  // the port to preselect; empty: [APP] PORT, else the first entry
    // Lists the ports again when the user opens the list; empty: the list
    // stays as `ports` gave it.
    std::function<std::vector<PortEntry>()> listPorts;
    std::string startNote;  // said once in the second panel after start
};

enum class WindowMode { Idle, RunningJob, AskingUser, Closing, Closed };

class WindowLogic {
  public:
    WindowLogic(WindowView& view, PictureDecoder& decoder, WindowSetup setup);
    // Ends the worker: at once when idle, after its job otherwise.
    ~WindowLogic();
    WindowLogic(const WindowLogic&) = delete;
    WindowLogic& operator=(const WindowLogic&) = delete;

    // Reads the configuration and shows the window's first state.
    void Start();
    // Writes the configuration back.
    void Exit();

    const WindowState& State() const { return state_; }
    WindowMode Mode() const;
    // From the start of a job until its result has been shown.
    bool JobActive() const { return jobRunning_; }
    // The job has ended while a box was open; its result waits for the answer.
    bool ResultWaiting() const { return resultPending_; }
    // For a face that hands worker reports over itself.
    CommObserver& Observer() { return observer_; }

    // What the user did.
    void ListEdited(ListId id, const std::string& text);
    void ListPicked(ListId id, int index);
    void FieldEdited(FieldId id, const std::string& text);
    void LogoSelected(int row);
    void Clicked(ButtonId id);
    // The user opened the port list: it lists the ports there are now.
    void PortListOpened();
    // Escape, or STOP: during a transfer, asks whether to stop it after the
    // block in flight.
    void EscapePressed();
    // True when the window may close now; otherwise it closes later through
    // WindowView::CloseWindow, or stays (the user said no).
    bool CloseRequested();

    // About the program: its version and where its files are.
    void ShowAbout(const std::string& version);

    // The user's session is ending (log off, shut down). While a transfer
    // runs, the face asks the system to wait, giving this reason; empty when
    // nothing needs waiting for.
    std::string SessionEndBlockReason() const;
    // The session ends anyway: a running transfer stops after the block in
    // flight, the job ends (its debug.log then says which mode and rate the
    // printer was left at) and the configuration is saved, without a box,
    // all within `waitMs`. True when no job was cut short.
    bool SessionEnding(int waitMs);

    // A modal box opens or closes (see ModalGuard): while one is open,
    // clicks wait and a job's result is held back until the last closes.
    void BoxOpened();
    void BoxClosed();

    // The worker's reports, on the face's thread.
    void Progress(int32_t done, int32_t total);
    void WorkerText(const std::string& text);
    void JobEnded();

  private:
    void BuildInitialState(const std::vector<PortEntry>& ports, const std::string& port);
    void CopyDefaultConfiguration();
    void LoadConfiguration();
    // The failure's message; empty when it was saved.
    std::string SaveConfiguration();
    ExitSettings ReadExitSettings() const;
    std::string UnreadableMessage() const;
    void Publish();

    void SetPara();
    void SetBluetooth();
    void SetInfrared();
    void SetFactory();
    void StepSerial();
    void FontDownload();
    void Program();
    void LogoDownload();
    void RunSettingJob(const PackResult& packed);
    std::optional<int32_t> PortRateFromControls();
    void RunJob(uint8_t jobCode, int32_t portRate);
    void ReportResult();
    // The ERROR box's detail: the reason, what to do, the debug log.
    std::string FailureDetail() const;
    // After a failure: offers the rate the printer answered at, or was left
    // at, for BAUD RATE.
    void OfferRate();
    bool AskToStopTransfer(const std::string& question);
    bool TransferRunning() const;
    void SetJobButtonsEnabled(bool enabled);

    // Composes the image from the list; a picture that fails is said in a
    // box unless `quiet` (at start, where the list shows what is missing).
    bool BuildLogoImage(bool quiet = false);
    void AddLogo();
    void DeleteLogo();
    void UpdateSpaceStatus();

    // The modal calls, each inside a ModalGuard.
    void Say(const ViewMessage& message);
    void Say(MessageKind kind, const std::string& text);
    std::string AskForFile(const FileRequest& request);
    bool AskYesNo(const std::string& text);

    WindowView& view_;
    PictureDecoder& decoder_;
    WindowFiles files_;
    std::string startNote_;
    std::string optionPort_;
    std::function<std::vector<PortEntry>()> listPorts_;
    std::string usedPort_;  // the port of the last job, for [APP] PORT
    int32_t usedRate_ = 0;
    // BAUD RATE was used by a job or chosen by the user: [APP] keeps it.
    bool baudChosen_ = false;
    WindowState state_;

    IniEncoding configEncoding_ = IniEncoding::Utf8;  // as the file was read at start
    LogoSettings logo_;
    std::vector<std::string> logoPaths_;  // in step with state_.logos.names
    std::vector<int32_t> codePageNumbers_;
    DatagramEndpoint endpoint_;
    int32_t transferRate_ = 115200;
    TransferProgressClock progressClock_;

    bool jobRunning_ = false;
    uint8_t runningJob_ = kJobIdle;
    int asking_ = 0;  // modal boxes open, the logic's and the face's
    bool resultPending_ = false;  // the job ended while a box was open
    bool closeRequested_ = false;
    bool stopRequested_ = false;  // Escape stopped the running transfer
    bool closed_ = false;

    JobObserver observer_{view_, *this};
    std::unique_ptr<TCommThread> worker_;
};
