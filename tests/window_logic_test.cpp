// The window's behaviour through its logic, with a fake face: no display and
// no toolkit; jobs run against the virtual printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>

#include "fake_view.h"
#include "firmware_check.h"
#include "ini_file.h"
#include "setting_refusals.h"
#include "virtual_printer.h"

namespace {

namespace fs = std::filesystem;

constexpr uint16_t kIdentify = 0x20;
constexpr uint16_t kPrintParameters = 0x60;

// Holds the printer's thread until the test lets it go (or a generous
// deadline passes, so that a failing test never hangs).
class Gate {
  public:
    void Open() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(20), [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

constexpr ButtonId kJobButtons[] = {
    ButtonId::SetPara,      ButtonId::SetBluetooth, ButtonId::SetInfrared, ButtonId::SetFactory,
    ButtonId::FontDownload, ButtonId::Program,      ButtonId::LogoDownload};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class WindowLogicJob : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
    }
    size_t Received(uint16_t code) const {
        size_t count = 0;
        for (const ReceivedCommand& command : printer.Commands())
            count += command.code == code ? 1 : 0;
        return count;
    }

    // The printer outlives the logic, whose worker may still talk to it.
    VirtualPrinter printer;
    LogicHarness h;
};

TEST_F(WindowLogicJob, ASecondClickWhileAJobRunsStartsNothingAndACloseWaitsForTheJob) {
    // The printer holds its answer to the setting, so the job certainly runs
    // while the test clicks; a progress report arrives from its thread.
    Gate gate;
    std::atomic<bool> held{false};
    std::atomic<WindowLogic*> logic{nullptr};
    printer.SetCommandObserver([&](const ReceivedCommand& command) {
        if (command.code != kPrintParameters || held.exchange(true))
            return;
        logic.load()->Observer().JobProgress(1280, 2560);
        gate.Wait();
    });
    logic = &h.Open(printer.SlavePath(), "[FACTORY]\nSERIAL NO=1\n");

    logic.load()->Clicked(ButtonId::SetPara);
    ASSERT_TRUE(h.view.Pump([&] { return held.load(); }));
    for (const ButtonId id : kJobButtons) {
        EXPECT_FALSE(ButtonOf(logic.load()->State(), id).enabled);
        logic.load()->Clicked(id);
    }
    EXPECT_EQ(logic.load()->Mode(), WindowMode::RunningJob);
    EXPECT_FALSE(logic.load()->CloseRequested());  // a setting: no question, it waits
    EXPECT_TRUE(h.view.questions.empty());
    EXPECT_EQ(logic.load()->Mode(), WindowMode::Closing);
    EXPECT_EQ(logic.load()->State().panel1.text, "Closing when the job has ended");
    EXPECT_TRUE(
        h.view.Pump([&] { return logic.load()->State().panel0.text == "Finished: 50.0%(5/10)"; }));
    EXPECT_EQ(h.view.closes, 0);
    gate.Open();
    ASSERT_TRUE(h.view.Pump([&] { return !logic.load()->JobActive(); }));

    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "OK");
    EXPECT_EQ(h.view.sounds, std::vector<std::string>{h.FolderText() + "ok.wav"});
    EXPECT_EQ(Received(kIdentify), 1u);
    EXPECT_FALSE(printer.Settings().bluetooth.has_value());
    EXPECT_EQ(h.view.closes, 1);
    EXPECT_EQ(logic.load()->Mode(), WindowMode::Closed);
    for (const ButtonId id : kJobButtons)
        EXPECT_TRUE(ButtonOf(logic.load()->State(), id).enabled);
}

TEST_F(WindowLogicJob, AJobThatEndsWhileTheCloseQuestionIsOpenWaitsForTheAnswer) {
    const std::string font(600, 'f');
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "yes" : "no");
        LogicHarness c;
        std::ofstream(c.Folder() / "font.bin", std::ios::binary) << font;
        c.view.answer = stop;
        WindowLogic& logic = c.Open(printer.SlavePath());
        logic.Clicked(ButtonId::FontDownload);
        ASSERT_TRUE(logic.JobActive());
        bool resultWaited = false;
        c.view.whileQuestionOpen = [&] {
            // The job's end arrives meanwhile; no box over the question.
            resultWaited =
                c.view.Pump([&] { return logic.ResultWaiting(); }) && c.view.messages.empty();
        };
        EXPECT_FALSE(logic.CloseRequested());
        EXPECT_TRUE(resultWaited);
        ASSERT_EQ(c.view.questions.size(), 1u);
        EXPECT_NE(c.view.questions[0].find("download mode"), std::string::npos);
        // Answered: the result, then the close if the user said so.
        ASSERT_EQ(c.view.messages.size(), 1u);
        EXPECT_EQ(c.view.messages[0].text, "OK");
        EXPECT_EQ(c.view.closes, stop ? 1 : 0);
        EXPECT_EQ(logic.Mode(), stop ? WindowMode::Closed : WindowMode::Idle);
        EXPECT_EQ(printer.Memory().at(0x63), std::vector<uint8_t>(font.begin(), font.end()));
    }
}

TEST_F(WindowLogicJob, ADebugLogThatCannotBeSavedIsSaidInTheStatusBar) {
    // A folder where the log file should be: it cannot be replaced.
    fs::create_directories(h.Folder() / "debug.log" / "x");
    WindowLogic& logic = h.Open(printer.SlavePath());
    logic.Clicked(ButtonId::SetBluetooth);
    ASSERT_TRUE(h.view.Pump([&] { return !logic.JobActive(); }));
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "OK");
    EXPECT_EQ(logic.State().panel1.text.rfind("debug.log not saved: ", 0), 0u)
        << logic.State().panel1.text;
}

// What a face that does not tell its own updates from the user's would
// send: every shown text and selection straight back, as edits.
TEST(WindowLogicEcho, AViewThatEchoesItsOwnUpdatesChangesNothing) {
    const std::string ini =
        "[FACTORY]\nSERIAL NO=9\n[CODEPAGE]\nCP437=0\nKatakana=1\n[PARA]\nFONT=4\n";
    const auto session = [&ini](LogicHarness& h) {
        std::ofstream(h.Folder() / "a.bmp") << "BM";
        h.view.fileAnswers = {(h.Folder() / "a.bmp").string()};
        WindowLogic& logic = h.Open("/dev/ttyUSB7", ini);
        logic.ListEdited(ListId::Font, "Z");
        logic.ListEdited(ListId::Density, "");
        logic.ListPicked(ListId::CodePage, 1);
        logic.ListEdited(ListId::ParaBaudRate, " 28800 ");
        logic.FieldEdited(FieldId::Idle, "");
        logic.Clicked(ButtonId::StepSerial);
        logic.Clicked(ButtonId::AddLogo);
        logic.LogoSelected(0);
        const WindowState end = logic.State();
        h.logic->Exit();
        std::string file = ReadFile(h.Folder() / "printer-tool.ini");
        file.replace(file.find(h.FolderText()), h.FolderText().size(), "<folder>/");
        return std::make_pair(end, file);
    };

    LogicHarness plain;
    const auto [plainState, plainFile] = session(plain);
    LogicHarness echoing;
    bool inside = false;
    echoing.view.onShow = [&](const WindowState& shown) {
        if (inside)
            return;  // an echo of the echo would only hide a loop
        inside = true;
        const WindowState copy = shown;
        WindowLogic& logic = *echoing.logic;
        for (const ListId id :
             {ListId::Port, ListId::Baud, ListId::ParaBaudRate, ListId::CodePage, ListId::Density,
              ListId::Font, ListId::LineFeed, ListId::IrBaudRate, ListId::IrProtocol}) {
            logic.ListPicked(id, ListOf(copy, id).selected);
            logic.ListEdited(id, ListOf(copy, id).text);
        }
        for (const FieldId id :
             {FieldId::Idle, FieldId::Off, FieldId::MaxFeed, FieldId::Page, FieldId::BluetoothName,
              FieldId::BluetoothPin, FieldId::ModelName, FieldId::SerialNo})
            logic.FieldEdited(id, FieldOf(copy, id).text);
        logic.LogoSelected(copy.logos.selected);
        inside = false;
    };
    const auto [echoState, echoFile] = session(echoing);

    EXPECT_EQ(echoing.view.shows, plain.view.shows);  // no edit came of an echo
    EXPECT_EQ(echoFile, plainFile);
    EXPECT_EQ(echoState.font.text, "Z");
    EXPECT_EQ(echoState.font.selected, -1);
    EXPECT_EQ(echoState.density.selected, -1);
    EXPECT_EQ(echoState.codePage.text, "Katakana");
    EXPECT_EQ(echoState.serialNo.text, "10");
    EXPECT_EQ(echoState.port.text, "/dev/ttyUSB7");
    EXPECT_EQ(echoState.logos.names, std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(echoState.logos.selected, 0);
    const IniFile saved = IniFile::Parse(echoFile);
    EXPECT_EQ(saved.Value("PARA", "FONT"), "-1");
    EXPECT_EQ(saved.Value("PARA", "BAUDRATE"), "28800");
}

}  // namespace

namespace {

TEST(WindowLogicProgress, ShowsPerMilleAndWholeBlocks) {
    LogicHarness h;
    WindowLogic& logic = h.Open("COM1");
    const struct {
        int32_t done;
        int32_t total;
        const char* text;
    } cases[] = {
        {1280, 2560, "Finished: 50.0%(5/10)"},
        {300, 1000, "Finished: 30.0%(1/3)"},
        {3000000, 4000000, "Finished: 75.0%(11718/15625)"},
        {1, 3, "Finished: 33.3%(0/0)"},
        {5000, 2560, "Finished: 100.0%(19/10)"},  // more than the total: the true counts
        {2147483647, 2147483647, "Finished: 100.0%(8388607/8388607)"},  // needs 64 bits
        {10, 0, "Finished: 100.0%(8388607/8388607)"},  // a total of 0 changes nothing
    };
    for (const auto& c : cases) {
        logic.Progress(c.done, c.total);
        EXPECT_EQ(logic.State().panel0.text, c.text) << c.done << "/" << c.total;
    }
}

TEST(WindowLogicHandlers, ATextThatDoesNotConvertStopsTheActionWithItsMessage) {
    LogicHarness h;
    WindowLogic& logic = h.Open("/nonexistent/port");
    logic.FieldEdited(FieldId::Off, "");
    logic.Clicked(ButtonId::SetPara);
    logic.ListEdited(ListId::Baud, " fast ");
    logic.Clicked(ButtonId::SetBluetooth);
    logic.ListEdited(ListId::IrBaudRate, "9600 ");
    logic.Clicked(ButtonId::SetInfrared);
    const std::vector<std::string> expected = {
        "OFF TIME: '' is not a valid integer value",
        "'fast' is not a valid integer value",               // trimmed
        "BAUD RATE: '9600 ' is not a valid integer value"};  // as the list holds it
    ASSERT_EQ(h.view.messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(h.view.messages[i].kind, MessageKind::Error);
        EXPECT_EQ(h.view.messages[i].text, expected[i]);
    }
    // No job ran: no result sound, and the window still takes the next action.
    EXPECT_TRUE(h.view.sounds.empty());
    EXPECT_EQ(logic.Mode(), WindowMode::Idle);
    EXPECT_TRUE(logic.State().setPara.enabled);
}

TEST(WindowLogicHandlers, PlusStepsTheSerialNumberOrLeavesItAlone) {
    LogicHarness h;
    WindowLogic& logic = h.Open("COM1", "[FACTORY]\nSERIAL NO= 9 \n");
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "10"}, {"-1", "0"}, {"abc", "abc"}};
    for (const auto& [typed, stepped] : cases) {
        if (typed)
            logic.FieldEdited(FieldId::SerialNo, typed);
        logic.Clicked(ButtonId::StepSerial);
        EXPECT_EQ(logic.State().serialNo.text, stepped);
    }
    EXPECT_TRUE(h.view.messages.empty());
}

}  // namespace

namespace {

TEST_F(WindowLogicJob, EachJobSaysItsOwnResultAndWhichPrinterAnswered) {
    std::ofstream(h.Folder() / "font.bin", std::ios::binary) << std::string(300, 'f');
    WindowLogic& logic = h.Open(printer.SlavePath());
    const auto run = [&](ButtonId id) {
        h.view.messages.clear();
        logic.Clicked(id);
        EXPECT_TRUE(h.view.Pump([&] { return !logic.JobActive(); }));
    };
    run(ButtonId::FontDownload);
    EXPECT_EQ(logic.State().panel1.text, "DOWNLOAD font.bin");
    EXPECT_EQ(logic.State().panel1.toolTip, "DOWNLOAD font.bin\nZDV 7714 at 9600 bit/s");
    // The next job starts afresh: nothing of the download stays.
    run(ButtonId::SetBluetooth);
    EXPECT_EQ(logic.State().panel1.text, "ZDV 7714 at 9600 bit/s");

    // A failure: the box keeps its text and gives the whole reason below it.
    logic.ListEdited(ListId::Port, "/nonexistent/port");
    run(ButtonId::SetBluetooth);
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "ERROR");
    EXPECT_EQ(h.view.messages[0].detail.rfind("the port /nonexistent/port could not be opened", 0),
              0u)
        << h.view.messages[0].detail;
    // Below the reason: what to do, and the log, which the next job keeps.
    const std::string& detail = h.view.messages[0].detail;
    EXPECT_EQ(detail.rfind(logic.State().panel1.text + "\n\nWhat to do: check the port's name", 0),
              0u)
        << detail;
    EXPECT_NE(detail.find("Debug log: " + h.FolderText() + "debug.log (kept as debug-failed.log"),
              std::string::npos)
        << detail;
    EXPECT_TRUE(fs::exists(h.Folder() / "debug-failed.log"));
    EXPECT_EQ(logic.State().panel1.toolTip, logic.State().panel1.text);
}

// Types the refused value into the control of its field, as the user would.
void Type(WindowLogic& logic, const SettingRefusal& refusal) {
    const std::string field = std::string(refusal.command) + " " + refusal.field;
    const std::pair<const char*, ListId> lists[] = {
        {"para rate", ListId::ParaBaudRate}, {"para density", ListId::Density},
        {"para font", ListId::Font},         {"para line", ListId::LineFeed},
        {"ir rate", ListId::IrBaudRate},     {"ir protocol", ListId::IrProtocol}};
    const std::pair<const char*, FieldId> fields[] = {{"para idle", FieldId::Idle},
                                                      {"para off", FieldId::Off},
                                                      {"para max-feed", FieldId::MaxFeed},
                                                      {"para page-len", FieldId::Page}};
    for (const auto& [name, id] : lists) {
        if (field == name)
            return logic.ListEdited(id, refusal.value);
    }
    for (const auto& [name, id] : fields) {
        if (field == name)
            return logic.FieldEdited(id, refusal.value);
    }
    ADD_FAILURE() << "no control for " << field;
}

// What printer-cli refuses, SET refuses too: an error naming the control,
// and the port is never opened.
TEST_F(WindowLogicJob, ValuesOutsideTheirFieldsAreRefusedUnsent) {
    for (const SettingRefusal& refusal : kSettingRefusals) {
        SCOPED_TRACE(refusal.window);
        h.view.messages.clear();
        WindowLogic& logic = h.Open(printer.SlavePath());
        Type(logic, refusal);
        const bool ir = std::string(refusal.command) == "ir";
        logic.Clicked(ir ? ButtonId::SetInfrared : ButtonId::SetPara);
        EXPECT_FALSE(logic.JobActive());
        ASSERT_EQ(h.view.messages.size(), 1u);
        EXPECT_EQ(h.view.messages[0].kind, MessageKind::Error);
        EXPECT_EQ(h.view.messages[0].text, refusal.window);
    }
    // The code pages are the configuration's list.
    h.view.messages.clear();
    WindowLogic& logic = h.Open(printer.SlavePath(), "[CODEPAGE]\nCP437=0\nKatakana=1\n");
    logic.ListEdited(ListId::CodePage, "CP850");
    logic.Clicked(ButtonId::SetPara);
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "CODE PAGE: 'CP850' is not one of CP437, Katakana");
    EXPECT_EQ(printer.CommandCount(), 0u);
}

TEST_F(WindowLogicJob, ThePortOfTheLastJobIsRememberedUnlessTheCommandLineChoosesOne) {
    h.Open(printer.SlavePath()).Clicked(ButtonId::SetInfrared);
    ASSERT_TRUE(h.view.Pump([&] { return !h.logic->JobActive(); }));
    h.logic->Exit();
    const IniFile saved = IniFile::Parse(ReadFile(h.Folder() / "printer-tool.ini"));
    EXPECT_EQ(saved.Value("APP", "PORT"), printer.SlavePath());

    EXPECT_EQ(h.Open("").State().port.text, printer.SlavePath());
    EXPECT_EQ(h.Open("COM2").State().port.text, "COM2");
}

TEST(WindowLogicPorts, OpeningTheListListsThePortsAgainAndKeepsTheTypedText) {
    LogicHarness h;
    std::vector<PortEntry> present = {{"TCP/IP", {}}};
    h.listPorts = [&present] { return present; };
    WindowLogic& logic = h.Open("");
    EXPECT_EQ(logic.State().port.text, "COM1");  // a first start, as always
    logic.ListEdited(ListId::Port, "/dev/ttyACM0");
    present.push_back({"/dev/ttyACM0", "USB adapter"});  // plugged in after start
    logic.PortListOpened();
    EXPECT_EQ(logic.State().port.entries, (std::vector<std::string>{"TCP/IP", "/dev/ttyACM0"}));
    EXPECT_EQ(logic.State().port.hints[1], "USB adapter");
    EXPECT_EQ(logic.State().port.text, "/dev/ttyACM0");
    EXPECT_EQ(logic.State().port.selected, 1);
    present.pop_back();  // and unplugged again
    logic.PortListOpened();
    EXPECT_EQ(logic.State().port.text, "/dev/ttyACM0");
    EXPECT_EQ(logic.State().port.selected, -1);
}

TEST(WindowLogicEscape, EscapeAsksToStopOnlyATransferAndStopsItAfterTheBlock) {
    // A paced printer: the 64 KiB update takes about six seconds.
    VirtualPrinter paced(SimOptions{.pace = true});
    std::string error;
    ASSERT_TRUE(paced.StartPty(error)) << error;
    LogicHarness h;
    std::vector<uint8_t> image(65536);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13 + 5);
    SealFirmwareImage(image);
    std::ofstream(h.Folder() / "fw.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    WindowLogic& logic = h.Open(paced.SlavePath());

    logic.EscapePressed();  // nothing runs: nothing to ask
    EXPECT_TRUE(h.view.questions.empty());
    h.view.fileAnswers = {(h.Folder() / "fw.bin").string()};
    h.view.answer = true;
    logic.Clicked(ButtonId::Program);
    ASSERT_TRUE(h.view.Pump([&] { return logic.State().panel0.text.rfind("Finished:", 0) == 0; }));
    logic.EscapePressed();
    ASSERT_EQ(h.view.questions.size(), 1u);
    EXPECT_NE(h.view.questions[0].find("update mode"), std::string::npos);
    ASSERT_TRUE(h.view.Pump([&] { return !logic.JobActive(); }));

    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "ERROR");
    EXPECT_NE(logic.State().panel1.text.find("interrupted after block"), std::string::npos)
        << logic.State().panel1.text;
    EXPECT_EQ(h.view.closes, 0);  // Escape stops the transfer, not the window
    EXPECT_FALSE(paced.FirmwareAccepted());
    EXPECT_LT(paced.Commands().size(), 100u);
}

}  // namespace

TEST(WindowLogicLogo, TheDotsWordChoosesTheConversionAndStaysAsWritten) {
    // A navy dot: the blue rule leaves it blank, its brightness is dark.
    const struct {
        const char* line;  // of [LOGO]
        bool printed;
        bool hint;          // the preview suggests another conversion
        const char* saved;  // DOTS at exit
    } cases[] = {
        {"", false, true, ""},
        {"DOTS=brightness\n", true, false, "brightness"},
        {"DOTS= Dither\n", true, false, "Dither"},
        {"DOTS=purple\n", false, true, "purple"},  // not understood: the blue rule
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        LogicHarness h;
        std::ofstream(h.Folder() / "navy.bmp") << "picture";
        h.decoder.colour = 0x00800000;
        WindowLogic& logic =
            h.Open("COM2", std::string("[LOGO]\nFILE1=navy.bmp\n") + c.line);
        const LogoListState& logos = logic.State().logos;
        ASSERT_TRUE(logos.image.Ok());
        ASSERT_EQ(logos.image.records.size(), 1u);
        const auto raster = logos.image.image.begin() +
                            static_cast<std::ptrdiff_t>(logos.image.records[0].RasterOffset());
        EXPECT_EQ(std::any_of(raster, logos.image.image.end(), [](uint8_t b) { return b != 0; }),
                  c.printed);
        ASSERT_EQ(logos.dotsHints.size(), 1u);
        EXPECT_EQ(!logos.dotsHints[0].empty(), c.hint) << logos.dotsHints[0];

        logic.Exit();
        const IniFile saved = IniFile::Parse(ReadFile(h.Folder() / "printer-tool.ini"));
        EXPECT_EQ(saved.Value("LOGO", "DOTS").value_or(""), c.saved);
    }
}
