// The window's life: its first state, the configuration at start and exit,
// the user's edits, and the modal calls.
#include "window_logic.h"

#include <algorithm>
#include <filesystem>

#include "ini_storage.h"
#include "int_conversion.h"
#include "logo_list.h"
#include "modal_guard.h"
#include "path_text.h"
#include "printer_text.h"
#include "progress_panel_text.h"
#include "setting_values.h"
#include "shipped_configuration.h"

namespace {

// The port of a first start, whether the list offers it or not.
constexpr const char* kDefaultPort = "COM1";

ListControl NewList(std::vector<std::string> entries, int selected) {
    ListControl list;
    list.entries = std::move(entries);
    list.selected = selected;
    if (selected >= 0)
        list.text = list.entries[static_cast<size_t>(selected)];
    return list;
}

// An index outside the list leaves it without a selected entry (and text).
void SelectIndex(ListControl& list, int index) {
    const bool inside = index >= 0 && static_cast<size_t>(index) < list.entries.size();
    list.selected = inside ? index : -1;
    list.text = inside ? list.entries[static_cast<size_t>(index)] : std::string();
}

}  // namespace

WindowLogic::WindowLogic(WindowView& view, PictureDecoder& decoder, WindowSetup setup)
    : view_(view),
      decoder_(decoder),
      files_(std::move(setup.files)),
      startNote_(std::move(setup.startNote)),
      optionPort_(setup.port),
      listPorts_(std::move(setup.listPorts)) {
    BuildInitialState(setup.ports, setup.port);
    worker_ = std::make_unique<TCommThread>(observer_);
}

WindowLogic::~WindowLogic() = default;

WindowMode WindowLogic::Mode() const {
    if (closed_)
        return WindowMode::Closed;
    if (asking_ > 0)
        return WindowMode::AskingUser;
    if (closeRequested_)
        return WindowMode::Closing;
    if (jobRunning_)
        return WindowMode::RunningJob;
    return WindowMode::Idle;
}

void WindowLogic::BuildInitialState(const std::vector<PortEntry>& ports, const std::string& port) {
    WindowState& s = state_;
    for (const PortEntry& entry : ports) {
        s.port.entries.push_back(entry.name);
        s.port.hints.push_back(entry.description);
    }
    SetListText(s.port, port.empty() ? kDefaultPort : port);
    s.baud = NewList(RateEntries(), 0);
    s.paraBaudRate = NewList(ListEntries(kPrintParameterSetting, "rate"), 0);
    s.codePage = NewList({}, -1);
    s.density = NewList(ListEntries(kPrintParameterSetting, "density"), 1);
    s.font = NewList(ListEntries(kPrintParameterSetting, "font"), 0);
    s.lineFeed = NewList(ListEntries(kPrintParameterSetting, "line"), 0);
    s.bluetoothName.text = "QVX";
    s.bluetoothPin.text = "7264";
    s.irBaudRate = NewList(ListEntries(kInfraredSetting, "rate"), 0);
    s.irProtocol = NewList(ListEntries(kInfraredSetting, "protocol"), 0);
}

void WindowLogic::Start() {
    CopyDefaultConfiguration();
    LoadConfiguration();
    // Said once, in the wide panel; the first job's texts replace it.
    if (!startNote_.empty())
        state_.panel1.text = startNote_;
    Publish();
}

void WindowLogic::Exit() {
    if (const std::string error = SaveConfiguration(); !error.empty())
        Say(MessageKind::Error, error);
}

void WindowLogic::CopyDefaultConfiguration() {
    // A first start begins with the shipped configuration and its code page
    // list; an existing file is never touched.
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path config = PathFromUtf8(files_.configFile);
    if (fs::exists(config, error) || error)
        return;
    // No shipped file where the layout says: the copy compiled in.
    if (files_.defaultConfig.empty()) {
        if (!WriteShippedConfiguration(config))
            Say(MessageKind::Error, "Unable to write to " + NativePathText(files_.configFile));
        return;
    }
    // Never replaces a file, so a configuration that appeared meanwhile stays.
    if (!fs::copy_file(PathFromUtf8(files_.defaultConfig), config, fs::copy_options::skip_existing,
                       error) &&
        error) {
        Say(MessageKind::Error, "Unable to write to " + NativePathText(files_.configFile));
        return;
    }
    // The shipped file may be read-only for users; the copy is the user's own.
    fs::permissions(config,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    error);
}

void WindowLogic::LoadConfiguration() {
    const std::optional<std::string> text = ReadIniText(files_.configFile, &configEncoding_);
    if (!text)
        Say(MessageKind::Error, UnreadableMessage());
    const StartSettings s = ReadStartSettings(IniFile::Parse(text.value_or(std::string())));
    if (!s.caption.empty())
        state_.caption = s.caption;
    // The port a job used last time, unless the command line chose one, and
    // the rate the window was left at.
    if (optionPort_.empty() && !s.port.empty())
        SetListText(state_.port, s.port);
    if (s.baudRate > 0)
        SelectRateEntry(state_.baud, s.baudRate);

    logo_ = s.logo;
    const LogoList logos = LoadLogoList(s.logoFiles, files_.workFolder);
    logoPaths_ = logos.paths;
    state_.logos.names = logos.displayNames;
    // The list shows a missing picture as such; the space text waits for the
    // first ADD or DELETE.
    BuildLogoImage(true);

    SelectRateEntry(state_.paraBaudRate, s.paraBaudRate);
    SelectIndex(state_.density, s.densityIndex);
    SelectIndex(state_.font, s.fontIndex);
    SelectIndex(state_.lineFeed, s.lineFeedIndex);
    state_.idle.text = std::to_string(s.idleTime);
    state_.off.text = std::to_string(s.offTime);
    state_.maxFeed.text = std::to_string(s.maxFeed);
    state_.page.text = std::to_string(s.pageLength);

    state_.bluetoothName.text = s.bluetoothName;
    state_.bluetoothPin.text = s.bluetoothPin;
    SelectRateEntry(state_.irBaudRate, s.irBaudRate);

    state_.factoryTab = s.factoryTab;
    if (s.factoryTab) {
        state_.modelName.text = s.factoryModel;
        state_.serialNo.text = s.factorySerial;
    }

    codePageNumbers_ = s.codePageNumbers;
    state_.codePage.entries = s.codePageNames;
    SelectIndex(state_.codePage, s.codePageIndex);

    endpoint_ = s.endpoint;
    transferRate_ = s.transferRate;
}

ExitSettings WindowLogic::ReadExitSettings() const {
    const WindowState& st = state_;
    ExitSettings s;
    s.port = usedPort_;
    // Only a rate of the list: a half-typed one keeps the file's.
    const auto rate = ParseInt32(TrimBlanks(st.baud.text));
    if (baudChosen_ && rate &&
        std::find(std::begin(kLineRates), std::end(kLineRates), *rate) != std::end(kLineRates))
        s.baudRate = *rate;
    s.logo = logo_;
    s.logoPaths = logoPaths_;
    s.paraRateText = st.paraBaudRate.text;
    s.codePageIndex = st.codePage.selected;
    s.densityIndex = st.density.selected;
    s.fontIndex = st.font.selected;
    s.lineFeedIndex = st.lineFeed.selected;
    s.idleText = st.idle.text;
    s.offText = st.off.text;
    s.maxFeedText = st.maxFeed.text;
    s.pageText = st.page.text;
    s.bluetoothName = st.bluetoothName.text;
    s.bluetoothPin = st.bluetoothPin.text;
    s.irRateText = st.irBaudRate.text;
    s.factoryTab = st.factoryTab;
    if (s.factoryTab) {
        s.factoryModel = st.modelName.text;
        s.factorySerial = st.serialNo.text;
    }
    return s;
}

std::string WindowLogic::SaveConfiguration() {
    // Read again, so that what others changed in the file meanwhile stays,
    // apart from the keys the tool owns. A file that cannot be read is never
    // replaced: it would lose everything the tool does not own.
    IniEncoding encoding = IniEncoding::Utf8;
    const std::optional<std::string> text = ReadIniText(files_.configFile, &encoding);
    if (!text)
        return UnreadableMessage();
    IniFile ini = IniFile::Parse(*text);
    const std::vector<UnsavedKey> unsaved = WriteExitSettings(ini, ReadExitSettings());
    std::string error;
    if (!StoreIniText(files_.configFile, ini.Serialize(), error, encoding))
        return error;
    if (!unsaved.empty())
        return UnsavedKeysMessage(unsaved);
    return {};
}

void WindowLogic::ShowAbout(const std::string& version) {
    Say({MessageKind::Information, "printer-tool " + version,
         "Service tool for small receipt printers.\n\nConfiguration: " +
             NativePathText(files_.configFile) + "\nDebug log: " +
             NativePathText(files_.dataFolder + kDebugLogName),
         "About printer-tool"});
}

std::string WindowLogic::UnreadableMessage() const {
    return "Unable to read " + NativePathText(files_.configFile) +
           "; the settings are neither loaded from it nor saved to it";
}

void WindowLogic::Publish() {
    // At most, not below: with a QUANTITY of 8 a ninth logo can be added.
    // Neither while a job runs: the list is what DOWNLOAD sends.
    state_.addLogo.enabled =
        !jobRunning_ && static_cast<int64_t>(state_.logos.names.size()) <= logo_.quantity;
    state_.deleteLogo.enabled = !jobRunning_ && !state_.logos.names.empty();
    state_.transferRunning = TransferRunning();
    state_.stop.enabled = state_.transferRunning && !stopRequested_ && !closeRequested_;
    view_.Show(state_);
}

void WindowLogic::ListEdited(ListId id, const std::string& text) {
    ListControl& list = ListOf(state_, id);
    const int selected = EntryOf(list, text, list.selected);
    if (list.text == text && list.selected == selected)
        return;
    baudChosen_ = baudChosen_ || id == ListId::Baud;
    list.text = text;
    list.selected = selected;
    Publish();
}

void WindowLogic::PortListOpened() {
    if (!listPorts_)
        return;
    // The text stays whatever it is, a typed one included.
    ListControl& port = state_.port;
    port.entries.clear();
    port.hints.clear();
    for (const PortEntry& entry : listPorts_()) {
        port.entries.push_back(entry.name);
        port.hints.push_back(entry.description);
    }
    port.selected = EntryOf(port, port.text, -1);
    Publish();
}

void WindowLogic::ListPicked(ListId id, int index) {
    // A user picks an entry, never "no entry": a list left without one says
    // so by its text (an empty one, in both toolkits), which ListEdited takes.
    ListControl& list = ListOf(state_, id);
    if (index < 0 || static_cast<size_t>(index) >= list.entries.size())
        return;
    const std::string& text = list.entries[static_cast<size_t>(index)];
    if (list.selected == index && list.text == text)
        return;
    baudChosen_ = baudChosen_ || id == ListId::Baud;
    list.selected = index;
    list.text = text;
    Publish();
}

void WindowLogic::FieldEdited(FieldId id, const std::string& text) {
    TextControl& field = FieldOf(state_, id);
    if (field.text == text)
        return;
    field.text = text;
    Publish();
}

void WindowLogic::LogoSelected(int row) {
    const int selected =
        row >= 0 && static_cast<size_t>(row) < state_.logos.names.size() ? row : -1;
    if (state_.logos.selected == selected)
        return;
    state_.logos.selected = selected;
    Publish();
}

void WindowLogic::Progress(int32_t done, int32_t total) {
    if (const auto text = ProgressText(done, total)) {
        state_.panel0.text = *text;
        state_.transfer =
            progressClock_.Report(done, total, TransferProgressClock::Clock::now());
        Publish();
    }
}

void WindowLogic::WorkerText(const std::string& text) {
    state_.panel1.text = text;
    Publish();
}

void WindowLogic::BoxOpened() {
    ++asking_;
}

void WindowLogic::BoxClosed() {
    if (--asking_ > 0 || !resultPending_)
        return;
    // Shown once the handler that opened the box has returned, so that it
    // never goes on with a job that has meanwhile been reported.
    view_.Post([this] {
        if (asking_ == 0 && resultPending_)
            ReportResult();
    });
}

void WindowLogic::Say(const ViewMessage& message) {
    const ModalGuard guard(*this);
    view_.ShowMessage(message);
}

void WindowLogic::Say(MessageKind kind, const std::string& text) {
    Say(ViewMessage{kind, text, {}, {}});
}

std::string WindowLogic::AskForFile(const FileRequest& request) {
    const ModalGuard guard(*this);
    return view_.AskForFile(request);
}

bool WindowLogic::AskYesNo(const std::string& text) {
    const ModalGuard guard(*this);
    return view_.AskYesNo(text);
}
