#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ini_file.h"
#include "window_harness.h"

namespace {

bool FactoryTabShown(WindowHarness& h) {
    auto* tabs = h.Find<QTabWidget>("PageControl1");
    return tabs->isTabVisible(tabs->indexOf(h.Find<QWidget>("tsFactory")));
}

// The harness's folder is a copy of the program alone, as build/bin is: no
// share/printer-tool beside it. Its first start takes the shipped
// configuration compiled into the program, with its code pages.
TEST(AppWindowConfiguration, NoFileShowsBuiltInValuesAndIsWrittenAtExit) {
    std::ifstream shippedFile(PT_DEFAULT_CONFIG, std::ios::binary);
    const IniFile shipped =
        IniFile::Parse(std::string(std::istreambuf_iterator<char>(shippedFile), {}));
    const std::vector<std::string> codePages = shipped.KeyNames("CODEPAGE");
    ASSERT_GE(codePages.size(), 10u);

    WindowHarness h;
    h.Open();
    EXPECT_EQ(h.Find<QComboBox>("ComboSetBaudRate")->currentText(), "  9600");
    EXPECT_FALSE(FactoryTabShown(h));
    auto* codePage = h.Find<QComboBox>("ComboCodePage");
    std::vector<std::string> shown;
    for (int i = 0; i < codePage->count(); ++i)
        shown.push_back(codePage->itemText(i).toStdString());
    EXPECT_EQ(shown, codePages);
    EXPECT_EQ(codePage->currentText(), "CP437");
    h.Close();

    EXPECT_TRUE(h.messages.empty());
    const IniFile ini = IniFile::Parse(h.ReadIni());
    EXPECT_EQ(ini.KeyNames("LOGO"),
              (std::vector<std::string>{"SIZE", "QUANTITY", "COMMAND", "PARA", "WIDTH"}));
    EXPECT_EQ(ini.Value("LOGO", "SIZE"), "65536");
    EXPECT_EQ(ini.Value("LOGO", "QUANTITY"), "8");
    EXPECT_EQ(ini.Value("LOGO", "COMMAND"), "45");
    EXPECT_EQ(ini.Value("LOGO", "PARA"), "0");
    EXPECT_EQ(ini.Value("LOGO", "WIDTH"), "384");
    EXPECT_EQ(ini.Value("PARA", "BAUDRATE"), "9600");
    EXPECT_EQ(ini.Value("PARA", "CODEPAGE"), "0");
    EXPECT_EQ(ini.Value("PARA", "DENSITY"), "1");
    EXPECT_EQ(ini.Value("PARA", "IDLE TIME"), "50");
    EXPECT_EQ(ini.Value("PARA", "PAGE LENGTH"), "200");
    EXPECT_EQ(ini.Value("BLUE TOOTH", "DEVICE NAME"), "QVX");
    EXPECT_EQ(ini.Value("BLUE TOOTH", "PIN"), "7264");
    EXPECT_EQ(ini.Value("IRCOMM", "BAUDRATE"), "9600");
    EXPECT_FALSE(ini.SectionExists("FACTORY"));
    EXPECT_FALSE(ini.SectionExists("APP"));
    EXPECT_EQ(ini.KeyNames("CODEPAGE"), codePages);
    EXPECT_EQ(ini.Value("CODEPAGE", "WCP1251"), shipped.Value("CODEPAGE", "WCP1251"));
    EXPECT_FALSE(ini.SectionExists("NET"));
}

TEST(AppWindowConfiguration, ListsSelectWhatTheFileSaysAndSaveWhatTheyShow) {
    WindowHarness h;
    h.WriteIni(
        "[APP]\nCAPTION=SERVICE\n"
        "[PARA]\nBAUDRATE=14400\nDENSITY=5\nFONT=4\nLINEFEED=1\nCODEPAGE=1\n"
        "IDLE TIME=70\nOFF TIME=0x10\n"
        "[IRCOMM]\nBAUDRATE=19200\n"
        "[CODEPAGE]\nCP437=0\nKatakana=1\n");
    TfrmMain& window = h.Open();
    EXPECT_EQ(window.windowTitle(), "SERVICE");
    auto* rate = h.Find<QComboBox>("ComboSetBaudRate");
    EXPECT_EQ(rate->currentText(), "  9600");  // 14400 is no entry
    EXPECT_EQ(h.Find<QComboBox>("comboIrBaudRate")->currentText(), " 19200");
    EXPECT_EQ(h.Find<QComboBox>("ComboDensity")->currentIndex(), -1);
    EXPECT_EQ(h.Find<QComboBox>("ComboFont")->currentText(), "E 16x18");
    EXPECT_EQ(h.Find<QComboBox>("comboLineFeed")->currentText(), "CR(0x0D)");
    EXPECT_EQ(h.Find<QLineEdit>("edIdle")->text(), "70");
    EXPECT_EQ(h.Find<QLineEdit>("edOff")->text(), "16");
    auto* codePage = h.Find<QComboBox>("ComboCodePage");
    ASSERT_EQ(codePage->count(), 2);
    EXPECT_EQ(codePage->itemText(0), "CP437");
    EXPECT_EQ(codePage->itemText(1), "Katakana");
    EXPECT_EQ(codePage->currentText(), "Katakana");

    // A text typed over a list entry selects nothing.
    h.Find<QComboBox>("ComboFont")->setEditText("Z");
    h.Close();

    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(h.IniValue("PARA", "BAUDRATE"), "9600");
    EXPECT_EQ(h.IniValue("PARA", "DENSITY"), "-1");
    EXPECT_EQ(h.IniValue("PARA", "FONT"), "-1");
    EXPECT_EQ(h.IniValue("PARA", "LINEFEED"), "1");
    EXPECT_EQ(h.IniValue("PARA", "CODEPAGE"), "1");
    EXPECT_EQ(h.IniValue("PARA", "OFF TIME"), "16");
    EXPECT_EQ(h.IniValue("IRCOMM", "BAUDRATE"), "19200");
    EXPECT_EQ(h.IniValue("APP", "CAPTION"), "SERVICE");
    EXPECT_EQ(h.IniValue("CODEPAGE", "Katakana"), "1");
}

TEST(AppWindowConfiguration, RatesSelectTheEntryOfThatNumber) {
    WindowHarness h;
    h.WriteIni("[PARA]\nBAUDRATE=19200\n[IRCOMM]\nBAUDRATE=0x1C200\n");
    h.Open();
    EXPECT_EQ(h.Find<QComboBox>("ComboSetBaudRate")->currentText(), " 19200");
    EXPECT_EQ(h.Find<QComboBox>("comboIrBaudRate")->currentText(), "115200");
    h.Find<QComboBox>("ComboSetBaudRate")->setEditText(" 28800 ");  // typed: any number
    h.Close();
    EXPECT_EQ(h.IniValue("PARA", "BAUDRATE"), "28800");
    EXPECT_EQ(h.IniValue("IRCOMM", "BAUDRATE"), "115200");
}

TEST(AppWindowConfiguration, FactoryTabNeedsASectionWithKeys) {
    WindowHarness empty;
    empty.WriteIni("[FACTORY]\n[PARA]\nFONT=1\n");
    empty.Open();
    EXPECT_FALSE(FactoryTabShown(empty));
    empty.Find<QLineEdit>("edModalName")->setText("not saved, the tab is hidden");
    empty.Close();
    EXPECT_FALSE(IniFile::Parse(empty.ReadIni()).SectionExists("FACTORY"));

    WindowHarness shown;
    shown.WriteIni("[FACTORY]\nSERIAL NO=41\n");
    shown.Open();
    EXPECT_TRUE(FactoryTabShown(shown));
    EXPECT_EQ(shown.Find<QLineEdit>("edModalName")->text(), "QVX-II");
    EXPECT_EQ(shown.Find<QLineEdit>("edSerialNo")->text(), "41");
    shown.Find<QLineEdit>("edSerialNo")->setText(" 42 ");
    shown.Close();
    EXPECT_EQ(shown.IniValue("FACTORY", "SERIAL NO"), " 42 ");
    EXPECT_EQ(shown.IniValue("FACTORY", "DEVICE NAME"), "QVX-II");
}

TEST(AppWindowConfiguration, EmptyNumberFieldsAtExit) {
    WindowHarness h;
    h.WriteIni("[PARA]\nOFF TIME=3\nMAX FEED=150\n[BLUE TOOTH]\nPIN=0000\n");
    h.Open();
    h.Find<QLineEdit>("edIdle")->setText("");
    h.Find<QLineEdit>("edOff")->setText("");
    h.Find<QLineEdit>("edMaxFeed")->setText("180");
    h.Find<QLineEdit>("edPassword")->setText("1111");
    h.Close();

    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(h.messages[0].text.contains("[PARA] OFF TIME: '' is not a valid integer value"))
        << h.messages[0].text.toStdString();
    EXPECT_FALSE(h.messages[0].text.contains("IDLE TIME"));
    EXPECT_EQ(h.IniValue("PARA", "IDLE TIME"), "50");
    EXPECT_EQ(h.IniValue("PARA", "OFF TIME"), "3");
    // The keys after it are saved all the same, other tabs included.
    EXPECT_EQ(h.IniValue("PARA", "MAX FEED"), "180");
    EXPECT_EQ(h.IniValue("BLUE TOOTH", "PIN"), "1111");
}

TEST(AppWindowConfiguration, CommentsAndForeignSectionsSurviveASave) {
    WindowHarness h;
    const std::string head =
        "; printer-tool settings, kept by hand\n"
        "[VENDOR]\n"
        "LICENSE=ABC-123\n"
        "\n"
        "[PARA]\n"
        "; the printer's idle time in seconds\n"
        "IDLE TIME=70\n"
        "SPEED=fast\n";
    h.WriteIni(head);
    h.Open();
    h.Close();
    // Everything stands where it stood; the tool's new keys follow the last key.
    EXPECT_EQ(h.ReadIni().substr(0, head.size()), head);
    EXPECT_EQ(h.IniValue("VENDOR", "LICENSE"), "ABC-123");
    EXPECT_EQ(h.IniValue("PARA", "SPEED"), "fast");
    EXPECT_EQ(h.IniValue("PARA", "MAX FEED"), "200");
}

TEST(AppWindowConfiguration, AMissingLogoFileKeepsItsPlaceInTheList) {
    WindowHarness h;
    const std::string first = h.TouchFile("logos/first.bmp");
    h.TouchFile("second.bmp");
    const std::string fourth = h.TouchFile("fourth.bmp");
    h.WriteIni("[LOGO]\nCOMMAND=$2E\nFILE1=" + first + "\nFILE2=second.bmp\nFILE3=" +
               (h.Folder() / "missing.bmp").string() + "\nFILE4=" + fourth + "\n");
    h.Open();
    auto* list = h.Find<QListWidget>("ListLogo");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "logos/first.bmp");
    EXPECT_EQ(list->item(1)->text(), "second.bmp");
    EXPECT_EQ(list->item(2)->text(), "missing.bmp (missing)");
    EXPECT_EQ(list->item(3)->text(), "fourth.bmp");
    h.Close();

    const IniFile ini = IniFile::Parse(h.ReadIni());
    EXPECT_EQ(ini.Value("LOGO", "COMMAND"), "46");
    EXPECT_EQ(ini.Value("LOGO", "FILE1"), first);
    // A relative name is stored with its full path.
    EXPECT_EQ(ini.Value("LOGO", "FILE2"), (h.Folder() / "second.bmp").string());
    EXPECT_EQ(ini.Value("LOGO", "FILE3"), (h.Folder() / "missing.bmp").string());
    EXPECT_EQ(ini.Value("LOGO", "FILE4"), fourth);
}

TEST(AppWindowConfiguration, AFileThatCannotBeWrittenIsReported) {
    WindowHarness h;
    h.Open();
    std::filesystem::remove_all(h.Folder());  // the folder is gone by the time of the save
    h.Close();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].text,
              "Unable to write to " + QString::fromStdString(h.IniPath().string()));
}

TEST(AppWindowConfiguration, AFileThatCannotBeReadIsNeverReplaced) {
    WindowHarness h;
    std::filesystem::create_directories(h.IniPath());  // something unreadable in its place
    h.Open();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_TRUE(h.messages[0].text.startsWith("Unable to read "))
        << h.messages[0].text.toStdString();
    EXPECT_EQ(h.Find<QLineEdit>("edIdle")->text(), "50");
    h.Close();
    ASSERT_EQ(h.messages.size(), 2u);
    EXPECT_EQ(h.messages[1].text, h.messages[0].text);
    EXPECT_TRUE(std::filesystem::is_directory(h.IniPath()));
}

}  // namespace
