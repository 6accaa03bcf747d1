// The four SET buttons from the window to the printer: the window's controls,
// the worker, and the virtual printer decoding what arrived.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "printer_window.h"

namespace {

using Bytes = std::vector<uint8_t>;
using AppSetButtons = PrinterWindowTest;

void ExpectOk(const WindowHarness& h) {
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(h.messages[0].text, "OK");
    ASSERT_EQ(h.sounds.size(), 1u);
    EXPECT_TRUE(h.sounds[0].endsWith("ok.wav"));
}

TEST_F(AppSetButtons, ParaSendsThePrintParameters) {
    StartPtyPrinter();
    ini = "[CODEPAGE]\nCP437=0\nKatakana=1\nCP850=2\nCP866=16\nCP1252=300\n[PARA]\nCODEPAGE=3\n";
    OpenWindow();
    harness.Find<QComboBox>("comboLineFeed")->setCurrentIndex(1);
    harness.Find<QLineEdit>("edIdle")->setText(" 50 ");
    harness.Find<QPushButton>("btSet")->click();

    ExpectOk(harness);
    ASSERT_EQ(Received(0x60).size(), 1u);
    EXPECT_EQ(Received(0x60)[0], (Bytes{0x00, 0x00, 0x25, 0x80, 0x10, 0x01, 0x00, 0x01, 0x32, 0x00,
                                        0x00, 0x00, 0xC8, 0x00, 0xC8, 0x00}));

    // Another rate and page length.
    harness.messages.clear();
    harness.sounds.clear();
    harness.Find<QComboBox>("ComboSetBaudRate")->setCurrentIndex(4);
    harness.Find<QLineEdit>("edPage")->setText("9999");
    harness.Find<QPushButton>("btSet")->click();

    ExpectOk(harness);
    const auto print = printer.Settings().print;
    ASSERT_TRUE(print.has_value());
    EXPECT_EQ(print->rate, 115200u);
    EXPECT_EQ(print->codePage, 16);
    EXPECT_EQ(print->lineEnd, 1);
    EXPECT_EQ(print->idleSeconds, 50);
    EXPECT_EQ(print->pageLengthMm, 9999);

    // A code page number above one byte, and a list left without an entry,
    // are refused before anything is sent.
    const size_t sent = printer.Commands().size();
    harness.sounds.clear();
    const struct {
        const char* combo;
        int index;
        const char* refusal;
    } refused[] = {{"ComboCodePage", 4, "CODE PAGE: '300' is outside 0..255"},
                   {"ComboDensity", -1, "DENSITY: '' is not one of LOW, NORMAL, DARK"}};
    for (const auto& c : refused) {
        harness.messages.clear();
        QComboBox* combo = harness.Find<QComboBox>(c.combo);
        const int before = combo->currentIndex();
        combo->setCurrentIndex(c.index);
        harness.Find<QPushButton>("btSet")->click();
        combo->setCurrentIndex(before);
        ASSERT_EQ(harness.messages.size(), 1u);
        EXPECT_EQ(harness.messages[0].kind, MessageKind::Error);
        EXPECT_EQ(harness.messages[0].text, c.refusal);
    }
    EXPECT_TRUE(harness.sounds.empty());
    EXPECT_EQ(printer.Commands().size(), sent);
}

TEST_F(AppSetButtons, BlueToothSendsNameAndPin) {
    StartPtyPrinter();
    OpenWindow();
    harness.Find<QPushButton>("btSetBlueTooth")->click();
    ExpectOk(harness);
    ASSERT_TRUE(printer.Settings().bluetooth.has_value());
    EXPECT_EQ(printer.Settings().bluetooth->name, "QVX");
    EXPECT_EQ(printer.Settings().bluetooth->pin, "7264");

    harness.messages.clear();
    harness.sounds.clear();
    harness.Find<QLineEdit>("edName")->setText("AB");
    harness.Find<QLineEdit>("edPassword")->setText("");
    harness.Find<QPushButton>("btSetBlueTooth")->click();
    ExpectOk(harness);
    EXPECT_EQ(Received(0x61).back(), (Bytes{0x41, 0x42, 0x00, 0x00}));
}

TEST_F(AppSetButtons, IrCommSendsRateAndProtocolOnAPortTypedWithBlanks) {
    StartPtyPrinter();
    port = "  " + port + " ";
    OpenWindow();
    harness.Find<QComboBox>("comboIrBaudRate")->setCurrentIndex(1);
    harness.Find<QPushButton>("btIrComm")->click();
    ExpectOk(harness);
    ASSERT_EQ(Received(0x62).size(), 1u);
    EXPECT_EQ(Received(0x62)[0], (Bytes{0x00, 0x00, 0x4B, 0x00, 0x00, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(printer.Settings().infrared.has_value());
    EXPECT_EQ(printer.Settings().infrared->rate, 19200u);
}

TEST_F(AppSetButtons, FactorySendsModelAndSerialAndPlusStepsIt) {
    StartPtyPrinter();
    ini = "[FACTORY]\nDEVICE NAME= M1 \nSERIAL NO=007\n";
    OpenWindow();
    harness.Find<QLineEdit>("edModalName")->setText(" M1 ");
    harness.Find<QPushButton>("btFactory")->click();
    ExpectOk(harness);
    EXPECT_EQ(Received(0x64).back(), (Bytes{0x4D, 0x31, 0x00, 0x30, 0x30, 0x37}));

    harness.messages.clear();
    harness.sounds.clear();
    harness.Find<QLineEdit>("edSerialNo")->setText("41");
    harness.Find<QPushButton>("btInc")->click();
    harness.Find<QPushButton>("btFactory")->click();
    ExpectOk(harness);
    ASSERT_TRUE(printer.Settings().factory.has_value());
    EXPECT_EQ(printer.Settings().factory->model, "M1");
    EXPECT_EQ(printer.Settings().factory->serial, "42");
}

TEST_F(AppSetButtons, TheDatagramLinkTakesItsEndpointFromTheConfiguration) {
    StartUdpPrinter();
    OpenWindow();
    harness.Find<QPushButton>("btIrComm")->click();
    ExpectOk(harness);
    ASSERT_TRUE(printer.Settings().infrared.has_value());
    EXPECT_EQ(printer.Settings().infrared->rate, 9600u);
}

TEST_F(AppSetButtons, ASilentPrinterGivesError) {
    StartPtyPrinter();
    SimFaults silent;
    silent.silentCommand = 0x20;
    printer.SetFaults(silent);
    OpenWindow();
    harness.Find<QPushButton>("btSetBlueTooth")->click();

    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(harness.messages[0].text, "ERROR");
    ASSERT_EQ(harness.sounds.size(), 1u);
    EXPECT_TRUE(harness.sounds[0].endsWith("error.wav"));
    EXPECT_FALSE(harness.Find<QLabel>("StatusPanel1")->text().isEmpty());
    EXPECT_TRUE(Received(0x61).empty());
    EXPECT_FALSE(printer.Settings().bluetooth.has_value());
}

TEST_F(AppSetButtons, ATooLongNameIsRefusedBeforeAnythingIsSent) {
    StartPtyPrinter();
    OpenWindow();
    harness.Find<QLineEdit>("edName")->setText(QString(1011, 'n'));
    harness.Find<QPushButton>("btSetBlueTooth")->click();
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].kind, MessageKind::Error);
    EXPECT_NE(harness.messages[0].text, "ERROR");
    EXPECT_TRUE(harness.sounds.empty());
    EXPECT_TRUE(printer.Commands().empty());
}

}  // namespace
