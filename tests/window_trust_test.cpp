// What the window must never do behind the user's back: lose a job's result
// while a box is open, erase the printer's logos unasked, drop logo entries
// from the configuration, or go with a transfer half done when the session
// ends. The logic with a fake face, against the virtual printer.
#include <gtest/gtest.h>

#include <fstream>

#include "fake_view.h"
#include "ini_file.h"
#include "logo_list.h"
#include "modal_guard.h"
#include "port_list_order.h"
#include "virtual_printer.h"

namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class WindowTrust : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
    }
    void WriteFont(size_t bytes) {
        std::ofstream(h.Folder() / "font.bin", std::ios::binary) << std::string(bytes, 'f');
    }

    VirtualPrinter printer{SimOptions{.pace = true}};
    LogicHarness h;
};

TEST_F(WindowTrust, AResultThatArrivesWhileAFacesBoxIsOpenIsShownWhenItCloses) {
    WriteFont(600);
    WindowLogic& logic = h.Open(printer.SlavePath());
    logic.Clicked(ButtonId::FontDownload);
    ASSERT_TRUE(logic.JobActive());
    // What changes the list a DOWNLOAD sends waits for the job.
    EXPECT_FALSE(logic.State().addLogo.enabled);
    EXPECT_FALSE(logic.State().stepSerial.enabled);
    logic.Clicked(ButtonId::AddLogo);
    EXPECT_TRUE(h.view.fileRequests.empty());
    {
        // A popup menu of the face's own, open while the job ends.
        const ModalGuard menu(logic);
        ASSERT_TRUE(h.view.Pump([&] { return logic.ResultWaiting(); }));
        EXPECT_TRUE(h.view.messages.empty());
    }
    ASSERT_TRUE(h.view.Pump([&] { return !logic.JobActive(); }));
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "OK");
    EXPECT_TRUE(logic.State().addLogo.enabled);
    EXPECT_EQ(logic.Mode(), WindowMode::Idle);
}

TEST_F(WindowTrust, DownloadWithAnEmptyListErasesOnlyWhenTheAnswerIsYes) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        LogicHarness c;
        c.view.answer = yes;
        WindowLogic& logic = c.Open(printer.SlavePath());
        const size_t before = printer.Commands().size();
        logic.Clicked(ButtonId::LogoDownload);
        ASSERT_EQ(c.view.questions.size(), 1u);
        EXPECT_NE(c.view.questions[0].find("erases every logo"), std::string::npos);
        if (!yes) {
            EXPECT_FALSE(logic.JobActive());
            EXPECT_EQ(printer.Commands().size(), before);  // not even identify
            continue;
        }
        ASSERT_TRUE(c.view.Pump([&] { return !logic.JobActive(); }));
        ASSERT_EQ(c.view.messages.size(), 1u);
        EXPECT_EQ(c.view.messages[0].text, "OK");
    }
}

TEST_F(WindowTrust, AMissingLogoKeepsItsPlaceIsNeverSentAndIsWrittenBack) {
    std::ofstream(h.Folder() / "b.bmp") << "picture";
    WindowLogic& logic =
        h.Open(printer.SlavePath(), "[LOGO]\nFILE1=a.bmp\nFILE2=b.bmp\nFILE3=\nFILE4=c.bmp\n");
    EXPECT_EQ(logic.State().logos.names,
              (std::vector<std::string>{std::string("a.bmp") + kMissingLogoSuffix, "b.bmp"}));
    EXPECT_TRUE(h.view.messages.empty());  // the list says it; no box at start

    logic.Clicked(ButtonId::LogoDownload);
    EXPECT_FALSE(logic.JobActive());
    EXPECT_EQ(h.view.messages.size(), 1u);
    EXPECT_TRUE(printer.Commands().empty());

    logic.Exit();
    const IniFile saved = IniFile::Parse(FileText(h.Folder() / "printer-tool.ini"));
    EXPECT_EQ(fs::path(saved.Value("LOGO", "FILE1").value_or("")).filename(), "a.bmp");
    EXPECT_EQ(fs::path(saved.Value("LOGO", "FILE2").value_or("")).filename(), "b.bmp");
    EXPECT_FALSE(saved.Value("LOGO", "FILE3").has_value());
}

TEST_F(WindowTrust, ASessionThatEndsDuringATransferStopsItLogsAndSaves) {
    WriteFont(64 * 1024);  // about six seconds on the paced printer
    WindowLogic& logic = h.Open(printer.SlavePath(), "[PARA]\nIDLE TIME=50\n");
    EXPECT_TRUE(logic.SessionEndBlockReason().empty());
    logic.FieldEdited(FieldId::Idle, "61");
    logic.Clicked(ButtonId::FontDownload);
    ASSERT_TRUE(h.view.Pump([&] { return logic.State().panel0.text.rfind("Finished:", 0) == 0; }));
    EXPECT_NE(logic.SessionEndBlockReason().find("download mode"), std::string::npos);

    EXPECT_FALSE(logic.SessionEnding(4000));  // cut short
    EXPECT_LT(printer.Memory()[0x63].size(), 64u * 1024);
    EXPECT_NE(FileText(h.Folder() / "debug.log").find("download mode"), std::string::npos);
    const IniFile saved = IniFile::Parse(FileText(h.Folder() / "printer-tool.ini"));
    EXPECT_EQ(saved.Value("PARA", "IDLE TIME").value_or(""), "61");
    EXPECT_TRUE(h.view.messages.empty());  // nobody is there to answer a box
}

TEST_F(WindowTrust, ATransferShowsItsBarAndTimeLeftAndStopAsksAsEscapeDoes) {
    WriteFont(64 * 1024);
    WindowLogic& logic = h.Open(printer.SlavePath());
    EXPECT_FALSE(logic.State().transferRunning);
    logic.Clicked(ButtonId::FontDownload);
    EXPECT_TRUE(logic.State().transferRunning);
    EXPECT_TRUE(logic.State().stop.enabled);
    ASSERT_TRUE(h.view.Pump([&] { return !logic.State().transfer.timeLeft.empty(); }));
    EXPECT_GT(logic.State().transfer.permille, 0);
    EXPECT_LT(logic.State().transfer.permille, 1000);

    h.view.answer = true;
    logic.Clicked(ButtonId::Stop);
    ASSERT_EQ(h.view.questions.size(), 1u);
    EXPECT_EQ(h.view.questions[0].rfind("Stop the transfer after the block in flight?", 0), 0u);
    EXPECT_FALSE(logic.State().stop.enabled);  // asked once
    ASSERT_TRUE(h.view.Pump([&] { return !logic.JobActive(); }));
    EXPECT_FALSE(logic.State().transferRunning);
    EXPECT_LT(printer.Memory()[0x63].size(), 64u * 1024);  // before its last block
}

TEST(WindowOfferedRate, ARateThePrinterAnswersAtIsOfferedAndYesOnlySetsBaudRate) {
    VirtualPrinter at19200(SimOptions{.rate = 19200});
    std::string error;
    ASSERT_TRUE(at19200.StartPty(error)) << error;
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        LogicHarness h;
        h.view.answer = yes;
        WindowLogic& logic = h.Open(at19200.SlavePath());
        logic.Clicked(ButtonId::SetBluetooth);
        ASSERT_TRUE(h.view.Pump([&] { return !logic.JobActive(); }));
        ASSERT_EQ(h.view.messages.size(), 1u);
        EXPECT_NE(h.view.messages[0].detail.find("What to do: pick 19200 in BAUD RATE"),
                  std::string::npos)
            << h.view.messages[0].detail;
        ASSERT_EQ(h.view.questions.size(), 1u);
        EXPECT_EQ(h.view.questions[0],
                  "The printer answers at 19200 bit/s. Set BAUD RATE to 19200?");
        EXPECT_EQ(logic.State().baud.text, yes ? " 19200" : "  9600");
        EXPECT_FALSE(at19200.Settings().bluetooth.has_value());  // nothing sent by itself

        // The top rate is remembered like the port.
        logic.Exit();
        h.logic.reset();
        EXPECT_EQ(h.Open(at19200.SlavePath()).State().baud.text, yes ? " 19200" : "  9600");
    }
}

TEST(WindowTimeLeft, RoundsUpAndSaysMinutesFrom100Seconds) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0.2, "1 s left"}, {12.1, "13 s left"}, {99, "99 s left"}, {100, "2 min left"},
                 {3600, "60 min left"}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeLeftText(c.seconds), c.text) << c.seconds;
}

TEST(WindowTrustCodePage, APictureTheConfigurationsCodePageCannotNameIsRefused) {
    LogicHarness h;
    // Not UTF-8: the configuration was saved in an 8-bit code page.
    WindowLogic& logic = h.Open("COM2", "[BLUE TOOTH]\nDEVICE NAME=Caf\xE9\n");
    EXPECT_EQ(logic.State().bluetoothName.text, "Caf\xC3\xA9");
    const fs::path cyrillic = h.Folder() / "\xD0\x96.bmp";
    std::ofstream(cyrillic) << "picture";
    h.view.fileAnswers = {cyrillic.string()};
    logic.Clicked(ButtonId::AddLogo);
    EXPECT_TRUE(logic.State().logos.names.empty());
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_NE(h.view.messages[0].text.find("code page"), std::string::npos);
    logic.Exit();  // back in the code page it came in
    EXPECT_NE(FileText(h.Folder() / "printer-tool.ini").find("DEVICE NAME=Caf\xE9\n"),
              std::string::npos);
}

TEST(WindowPortList, TheSystemsPortsComeFirstThenTheFixedNamesThenTheDatagramLink) {
    const std::vector<PortEntry> found = {{"COM12", "USB Serial Port"}, {"COM3", ""}};
    const auto names = [](const std::vector<PortEntry>& entries) {
        std::vector<std::string> out;
        for (const PortEntry& e : entries)
            out.push_back(e.name + (e.description.empty() ? "" : "|" + e.description));
        return out;
    };
    EXPECT_EQ(names(OrderPortEntries(found, true)),
              (std::vector<std::string>{"COM12|USB Serial Port", "COM3|(serial port)", "COM1",
                                        "COM2", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
                                        "TCP/IP"}));
    EXPECT_EQ(names(OrderPortEntries({{"/dev/ttyUSB0", "FT232R"}}, false)),
              (std::vector<std::string>{"/dev/ttyUSB0|FT232R", "TCP/IP"}));
}

}  // namespace
