// The four SETs and "+", starting a job, its result, and closing while one
// runs.
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "error_codes.h"
#include "int_conversion.h"
#include "path_text.h"
#include "printer_text.h"
#include "serial_step.h"
#include "setting_packers.h"
#include "window_logic.h"

namespace {

std::string TransferModeText(uint8_t job);

// A setting as the window's controls hold it, by field name: each text read
// against its field under the control's label (a list's text must be one of
// its entries), then packed. A field the window has no control for is
// written as its default.
PackResult FromControls(const SettingLayout& layout,
                        std::initializer_list<std::pair<const char*, std::string>> controls) {
    std::vector<FieldInput> inputs;
    for (const SettingField& field : layout.fields) {
        FieldInput input{field.defaultText ? field.defaultText : "", field.label};
        for (const auto& [name, text] : controls) {
            if (std::string_view(name) == field.name)
                input = {text, field.label, ChoiceForm::Entries};
        }
        inputs.push_back(std::move(input));
    }
    const SettingReading read = ReadSetting(layout, inputs);
    if (!read.refusal.empty())
        return {std::nullopt, read.refusal};
    return PackSetting(layout, read.values);
}

// How to reach a printer that a failed job left at another rate.
std::string WayBack(const std::optional<PrinterLeft>& left) {
    if (!left)
        return {};
    if (left->rate <= 0)
        return ": run the job again";
    return ": pick " + std::to_string(left->rate) + " in BAUD RATE and run the job again";
}

}  // namespace

void WindowLogic::Clicked(ButtonId id) {
    // A modal box is open (its answer may start or end something), or the
    // window is going: nothing new starts.
    if (asking_ > 0 || closed_)
        return;
    switch (id) {
        case ButtonId::SetPara:
            return SetPara();
        case ButtonId::SetBluetooth:
            return SetBluetooth();
        case ButtonId::SetInfrared:
            return SetInfrared();
        case ButtonId::SetFactory:
            return SetFactory();
        case ButtonId::StepSerial:
            return StepSerial();
        case ButtonId::FontDownload:
            return FontDownload();
        case ButtonId::Program:
            return Program();
        case ButtonId::LogoDownload:
            return LogoDownload();
        case ButtonId::AddLogo:
            return AddLogo();
        case ButtonId::DeleteLogo:
            return DeleteLogo();
        case ButtonId::Stop:
            return EscapePressed();
    }
}

void WindowLogic::SetPara() {
    // The code page list is the configuration's, its numbers in the table
    // beside it: a text that is none of its entries is refused, and no text
    // is code page 0.
    const ListControl& codePage = state_.codePage;
    const char* codePageLabel = FindField(kPrintParameterSetting, "codepage")->label;
    if (!codePage.text.empty() && codePage.selected < 0) {
        std::string entries;
        for (const std::string& entry : codePage.entries)
            entries += (entries.empty() ? "" : ", ") + entry;
        return RunSettingJob(
            {std::nullopt, NotOneOfMessage(codePageLabel, codePage.text, entries)});
    }
    int32_t codePageNumber = 0;
    if (codePage.selected >= 0 && static_cast<size_t>(codePage.selected) < codePageNumbers_.size())
        codePageNumber = codePageNumbers_[static_cast<size_t>(codePage.selected)];
    RunSettingJob(
        FromControls(kPrintParameterSetting, {{"rate", state_.paraBaudRate.text},
                                              {"codepage", std::to_string(codePageNumber)},
                                              {"density", state_.density.text},
                                              {"font", state_.font.text},
                                              {"line", state_.lineFeed.text},
                                              {"idle", state_.idle.text},
                                              {"off", state_.off.text},
                                              {"max-feed", state_.maxFeed.text},
                                              {"page-len", state_.page.text}}));
}

void WindowLogic::SetBluetooth() {
    RunSettingJob(FromControls(kBluetoothSetting, {{"name", state_.bluetoothName.text},
                                                   {"pin", state_.bluetoothPin.text}}));
}

void WindowLogic::SetInfrared() {
    RunSettingJob(FromControls(kInfraredSetting, {{"rate", state_.irBaudRate.text},
                                                  {"protocol", state_.irProtocol.text}}));
}

void WindowLogic::SetFactory() {
    RunSettingJob(FromControls(
        kFactorySetting, {{"model", state_.modelName.text}, {"serial", state_.serialNo.text}}));
}

void WindowLogic::StepSerial() {
    if (const auto stepped = StepSerialNumber(state_.serialNo.text)) {
        state_.serialNo.text = *stepped;
        Publish();
    }
}

void WindowLogic::RunSettingJob(const PackResult& packed) {
    if (jobRunning_)
        return;  // the payload belongs to the running job
    if (!packed.payload) {
        Say(MessageKind::Error, packed.error);
        return;
    }
    const auto rate = PortRateFromControls();
    if (!rate)
        return;
    worker_->Payload() = *packed.payload;
    RunJob(kJobSendSetting, *rate);
}

std::optional<int32_t> WindowLogic::PortRateFromControls() {
    const std::string_view trimmed = TrimBlanks(state_.baud.text);
    const auto rate = ParseInt32(trimmed);
    if (!rate)
        Say(MessageKind::Error, InvalidIntegerMessage(trimmed));
    return rate;
}

void WindowLogic::RunJob(uint8_t jobCode, int32_t portRate) {
    if (jobRunning_)
        return;
    // Every job takes the port name without blanks around it ("COM3 " is
    // COM3), the datagram link included.
    JobEnvironment environment;
    environment.portName = std::string(TrimBlanks(state_.port.text));
    environment.portRate = portRate;
    environment.exeFolder = PathFromUtf8(files_.dataFolder);
    environment.endpoint = endpoint_;
    environment.transferRate = transferRate_;
    environment.keepFailedLog = true;
    observer_.SetEnvironment(environment);
    if (!worker_->StartJob(jobCode)) {
        Say(MessageKind::Error, "Another job is still running.");
        return;
    }
    jobRunning_ = true;
    runningJob_ = jobCode;
    usedPort_ = environment.portName;
    usedRate_ = portRate;
    baudChosen_ = true;
    // The job's own texts only: nothing of the last job's stays beside them.
    state_.panel1 = {};
    state_.transfer = {};
    progressClock_.Start();
    SetJobButtonsEnabled(false);
    Publish();
}

void WindowLogic::JobEnded() {
    if (!jobRunning_)
        return;
    worker_->JobDoneEvent().Wait(0);  // the event is auto-reset: take it
    if (asking_ > 0) {
        resultPending_ = true;  // shown once the open box is answered
        return;
    }
    ReportResult();
}

void WindowLogic::ReportResult() {
    resultPending_ = false;
    const bool ok = worker_->ErrorCode() == kErrorNone;
    StatusPanel& panel = state_.panel1;
    if (!ok)
        panel.text = worker_->FailureReason() + WayBack(worker_->LeftBehind());
    // The job's result stands; the lost log is said beside it.
    if (const std::string& logError = worker_->LogSaveError(); !logError.empty()) {
        const std::string note = "debug.log not saved: " + logError;
        panel.text = ok ? note : panel.text + "; " + note;
    }
    // Which printer answered, and at which rate: in the panel when it has
    // nothing else to say, and always in its tooltip.
    const std::string& identity = worker_->Identity();
    const std::string answered =
        identity.empty() ? std::string() : identity + " at " + std::to_string(usedRate_) + " bit/s";
    if (panel.text.empty())
        panel.text = answered;
    panel.toolTip = panel.text;
    if (!answered.empty() && panel.text != answered)
        panel.toolTip += "\n" + answered;
    Publish();
    view_.PlaySound(files_.soundFolder + (ok ? "ok.wav" : "error.wav"));
    if (ok) {
        Say(MessageKind::Information, "OK");
    } else {
        Say({MessageKind::Error, "ERROR", FailureDetail(), {}});
        OfferRate();
    }
    SetJobButtonsEnabled(true);
    jobRunning_ = false;
    runningJob_ = kJobIdle;
    stopRequested_ = false;
    Publish();
    if (closeRequested_) {
        closed_ = true;
        view_.CloseWindow();
    }
}

std::string WindowLogic::FailureDetail() const {
    // The reason, whole; what to do, as doctor says it; the log to look at
    // or send, which the next job does not replace.
    std::string detail = state_.panel1.text;
    if (const std::string& advice = worker_->Advice(); !advice.empty())
        detail += "\n\nWhat to do: " + advice + ".";
    if (const auto& log = worker_->SavedLogPath(); !log.empty()) {
        detail += "\n\nDebug log: " + NativePathText(PathText(log)) + " (kept as " +
                  kFailedLogName + " too)";
    }
    return detail;
}

void WindowLogic::OfferRate() {
    // Where the printer answered instead, or where a stopped transfer left it.
    int32_t rate = worker_->AnsweringRate();
    const char* found = "answers";
    if (rate <= 0 && worker_->LeftBehind()) {
        rate = worker_->LeftBehind()->rate;
        found = "was left";
    }
    if (rate <= 0 || rate == usedRate_ || closeRequested_)
        return;
    const std::string r = std::to_string(rate);
    if (!AskYesNo("The printer " + std::string(found) + " at " + r + " bit/s. Set BAUD RATE to " +
                  r + "?"))
        return;
    // Only the rate is set: nothing is sent until the user starts a job.
    if (SelectRateEntry(state_.baud, rate))
        baudChosen_ = true;
    Publish();
}

void WindowLogic::SetJobButtonsEnabled(bool enabled) {
    // ADD and DELETE follow the job in Publish.
    for (ButtonId id :
         {ButtonId::SetPara, ButtonId::SetBluetooth, ButtonId::SetInfrared, ButtonId::SetFactory,
          ButtonId::StepSerial, ButtonId::Program, ButtonId::FontDownload, ButtonId::LogoDownload})
        ButtonOf(state_, id).enabled = enabled;
}

namespace {

std::string TransferModeText(uint8_t job) {
    return job == kJobFirmwareUpdate ? "update" : "download";
}

}  // namespace

bool WindowLogic::TransferRunning() const {
    return jobRunning_ && (runningJob_ == kJobDownloadFiles || runningJob_ == kJobFirmwareUpdate);
}

std::string WindowLogic::SessionEndBlockReason() const {
    if (!TransferRunning() || resultPending_)
        return {};
    return "A transfer to the printer is running. Ending the session now stops it and leaves "
           "the printer in its " +
           TransferModeText(runningJob_) + " mode.";
}

bool WindowLogic::SessionEnding(int waitMs) {
    bool whole = true;
    if (jobRunning_ && !resultPending_) {
        const bool transfer = TransferRunning();
        if (transfer)
            worker_->RequestStop();
        // The worker saves debug.log before it signals the job's end.
        const bool ended = worker_->JobDoneEvent().Wait(waitMs);
        whole = ended && !transfer;
        if (ended && worker_->LeftBehind())
            worker_->AppendLogNote("SESSION END: " + LeftBehindText(*worker_->LeftBehind()));
        resultPending_ = true;  // never shown: the session is going
    }
    SaveConfiguration();  // nobody is there to read a box
    closed_ = true;
    return whole;
}

bool WindowLogic::AskToStopTransfer(const std::string& question) {
    const bool stop = AskYesNo(question);
    if (stop && !resultPending_)
        worker_->RequestStop();
    return stop;
}

bool WindowLogic::CloseRequested() {
    if (closed_ || !jobRunning_)
        return true;
    if (asking_ > 0 || closeRequested_)
        return false;  // a box is open, or the close is already on its way
    if (runningJob_ == kJobDownloadFiles || runningJob_ == kJobFirmwareUpdate) {
        // A transfer can take minutes: ask, and stop it the way Ctrl-C does.
        closeRequested_ = AskToStopTransfer(
            "A transfer is running. Stop it after the block in flight and close? Once blocks "
            "were written, the printer stays in its " +
            TransferModeText(runningJob_) + " mode.");
    } else {
        closeRequested_ = true;
    }
    if (closeRequested_) {
        state_.panel1.text = "Closing when the job has ended";
        Publish();
    }
    if (resultPending_)
        ReportResult();  // the job ended while the question was open
    return false;
}

void WindowLogic::EscapePressed() {
    const bool transfer = runningJob_ == kJobDownloadFiles || runningJob_ == kJobFirmwareUpdate;
    if (!jobRunning_ || !transfer || asking_ > 0 || closeRequested_ || stopRequested_)
        return;
    stopRequested_ =
        AskToStopTransfer("Stop the transfer after the block in flight? Once blocks were "
                          "written, the printer stays in its " +
                          TransferModeText(runningJob_) + " mode.");
    if (stopRequested_) {
        state_.panel1.text = "Stopping after the block in flight";
        Publish();
    }
    if (resultPending_)
        ReportResult();
}
