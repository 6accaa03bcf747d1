#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSoundEffect>
#include <QStatusBar>
#include <QTabWidget>

#include "result_sound.h"
#include "window_harness.h"

namespace {

QStringList Entries(const QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

const QStringList kRates = {"  9600", " 19200", " 38400", " 57600", "115200"};

TEST(AppWindowLayout, BuildsEveryControlWithItsNameAndBuiltInValue) {
    WindowHarness h;
    h.WriteIni("");  // a configuration without keys: the built-in values alone
    TfrmMain& window = h.Open();

    EXPECT_EQ(window.windowTitle(), "PRINTER TOOL");
    EXPECT_EQ(window.size(), QSize(536, 322));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    // Fixed pitch, whatever fonts the machine has (unless it has none).
    const QStringList families = QFontDatabase::families();
    const bool anyFixed = std::any_of(families.begin(), families.end(), [](const QString& f) {
        return QFontDatabase::isFixedPitch(f);
    });
    EXPECT_TRUE(QFontInfo(window.font()).fixedPitch() || !anyFixed);

    auto* port = h.Find<QComboBox>("ComboPort");
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->isEditable());
    EXPECT_EQ(port->currentText(), "COM1");
    // Here (no COM names) only the ports that exist, then the datagram link.
    ASSERT_GE(port->count(), 1);
    EXPECT_EQ(port->itemText(port->count() - 1), "TCP/IP");
    for (const QString& entry : Entries(port).mid(0, port->count() - 1))
        EXPECT_TRUE(QFileInfo::exists(entry)) << entry.toStdString();
    auto* baud = h.Find<QComboBox>("ComboBaud");
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(Entries(baud), kRates);
    EXPECT_EQ(baud->currentIndex(), 0);

    auto* tabs = h.Find<QTabWidget>("PageControl1");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 6);
    const QStringList titles = {"PARA", "UPDATE", "NVRAM", "BLUE TOOTH", "IrCOMM", "Factory"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tabs->tabText(i), titles[i]);
    EXPECT_EQ(tabs->currentIndex(), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(tabs->isTabVisible(i)) << i;
    EXPECT_FALSE(tabs->isTabVisible(5));  // no [FACTORY] section

    for (const char* name : {"ComboSetBaudRate", "comboIrBaudRate"}) {
        auto* combo = h.Find<QComboBox>(name);
        ASSERT_NE(combo, nullptr) << name;
        EXPECT_TRUE(combo->isEditable()) << name;
        EXPECT_EQ(Entries(combo), kRates) << name;
        EXPECT_EQ(combo->currentText(), "  9600") << name;
    }
    EXPECT_EQ(h.Find<QComboBox>("ComboCodePage")->count(), 0);
    EXPECT_EQ(Entries(h.Find<QComboBox>("ComboDensity")), QStringList({"LOW", "NORMAL", "DARK"}));
    EXPECT_EQ(h.Find<QComboBox>("ComboDensity")->currentText(), "NORMAL");
    EXPECT_EQ(Entries(h.Find<QComboBox>("ComboFont")),
              QStringList({"A 12x24", "B  9x24", "C  9x17", "D  8x16", "E 16x18"}));
    EXPECT_EQ(h.Find<QComboBox>("ComboFont")->currentIndex(), 0);
    EXPECT_EQ(Entries(h.Find<QComboBox>("comboLineFeed")), QStringList({"LF(0x0A)", "CR(0x0D)"}));
    EXPECT_EQ(Entries(h.Find<QComboBox>("ComboIrProtocol")), QStringList({"RAW"}));
    EXPECT_EQ(h.Find<QComboBox>("ComboIrProtocol")->currentText(), "RAW");

    const std::pair<const char*, const char*> numbers[] = {
        {"edIdle", "50"}, {"edOff", "0"}, {"edMaxFeed", "200"}, {"edPage", "200"}};
    for (const auto& [name, text] : numbers) {
        auto* field = h.Find<QLineEdit>(name);
        ASSERT_NE(field, nullptr) << name;
        EXPECT_EQ(field->text(), text) << name;
        EXPECT_EQ(field->maxLength(), 4) << name;
        // Digits only: the field refuses anything else.
        QString typed = "12a";
        int at = 0;
        EXPECT_EQ(field->validator()->validate(typed, at), QValidator::Invalid) << name;
    }
    EXPECT_EQ(h.Find<QLineEdit>("edName")->text(), "QVX");
    EXPECT_EQ(h.Find<QLineEdit>("edPassword")->text(), "7264");
    EXPECT_EQ(h.Find<QLineEdit>("edModalName")->text(), "");
    EXPECT_EQ(h.Find<QLineEdit>("edSerialNo")->text(), "");

    const std::pair<const char*, const char*> buttons[] = {
        {"btSet", "SET"},           {"btUpdate", "PROGRAM"},
        {"btFont", "FONT"},         {"btAddLogo", "ADD"},
        {"btDeleteLogo", "DELETE"}, {"btLOGO", "DOWNLOAD"},
        {"btSetBlueTooth", "SET"},  {"btIrComm", "SET"},
        {"btFactory", "SET"},       {"btInc", "+"}};
    for (const auto& [name, text] : buttons) {
        auto* button = h.Find<QPushButton>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), text) << name;
    }
    ASSERT_NE(h.Find<QListWidget>("ListLogo"), nullptr);
    auto* popup = h.Find<QMenu>("PopupMenu1");
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->actions().size(), 3);
    EXPECT_EQ(popup->actions()[0], h.Find<QAction>("actAddLogo"));
    EXPECT_TRUE(popup->actions()[1]->isSeparator());
    EXPECT_EQ(popup->actions()[2], h.Find<QAction>("actDelete"));

    ASSERT_NE(h.Find<QStatusBar>("StatusBar1"), nullptr);
    EXPECT_EQ(h.Find<QLabel>("StatusPanel0")->width(), 200);
    EXPECT_EQ(h.Find<QLabel>("StatusPanel1")->text(), "");
}

TEST(AppWindowLayout, ThePortOptionPreselectsAPortKnownOrNot) {
    WindowHarness h;
    h.Open("TCP/IP");
    auto* port = h.Find<QComboBox>("ComboPort");
    EXPECT_EQ(port->currentText(), "TCP/IP");
    EXPECT_EQ(port->currentIndex(), port->count() - 1);
    h.Close();
    h.Open("/dev/ttyUSB7");
    EXPECT_EQ(h.Find<QComboBox>("ComboPort")->currentText(), "/dev/ttyUSB7");
}

// Typing goes on where it is, also once the text matches an entry: the
// window never rewrites a field under the user's cursor.
TEST(AppWindowHandlers, TypingIntoAListKeepsEveryCharacterInOrder) {
    const struct {
        const char* list;
        QString typed;
    } cases[] = {{"ComboPort", "COM12"}, {"ComboDensity", "DARKEST"}, {"ComboSetBaudRate", "1920"}};
    WindowHarness h;
    h.Open("COM3");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        auto* combo = h.Find<QComboBox>(c.list);
        combo->lineEdit()->clear();
        for (const QChar ch : c.typed) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(combo->lineEdit(), &press);
        }
        EXPECT_EQ(combo->currentText(), c.typed);
        EXPECT_EQ(combo->lineEdit()->cursorPosition(), c.typed.size());
    }
}

TEST(AppWindowHandlers, APortThatCannotBeOpenedEndsInErrorWithItsReason) {
    WindowHarness h;
    h.Open(" /nonexistent/port ");
    h.Find<QPushButton>("btSetBlueTooth")->click();  // returns once the result is shown

    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].text, "ERROR");
    ASSERT_EQ(h.sounds.size(), 1u);
    EXPECT_EQ(h.sounds[0], h.Window().ExeFolder() + "error.wav");
    // The reason names the port without the blanks around it.
    EXPECT_TRUE(h.Find<QLabel>("StatusPanel1")
                    ->text()
                    .startsWith("the port /nonexistent/port could not be opened"))
        << h.Find<QLabel>("StatusPanel1")->text().toStdString();
    // The worker wrote its log beside the "executable".
    EXPECT_TRUE(std::filesystem::exists(h.Folder() / "debug.log"));
}

TEST(AppResultSound, AMissingFileIsSilence) {
    WindowHarness h;  // for its folder
    ResultSound sound;
    sound.Play(QString::fromStdString((h.Folder() / "ok.wav").string()));
    sound.Play(QString());
    // Nothing was set up to play: no fallback sound of any kind.
    EXPECT_TRUE(sound.findChildren<QSoundEffect*>().isEmpty());
}

}  // namespace
