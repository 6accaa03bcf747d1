// FONT and PROGRAM from the window to the virtual printer, with the file
// dialog answered by the test.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <fstream>

#include "firmware_check.h"
#include "printer_window.h"

namespace {

using Bytes = std::vector<uint8_t>;
using AppTransferButtons = PrinterWindowTest;

Bytes Pattern(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + 5);
    return bytes;
}

std::string Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

TEST_F(AppTransferButtons, FontSendsFontBinFromTheExecutablesFolder) {
    StartPtyPrinter();
    OpenWindow();
    auto* font = harness.Find<QPushButton>("btFont");

    // Without the file: a message naming where it was looked for, nothing sent.
    font->click();
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(harness.messages[0].text.contains(
        QString::fromStdString((harness.Folder() / "font.bin").string())));
    EXPECT_EQ(printer.CommandCount(), 0u);

    harness.messages.clear();
    const Bytes bytes = Pattern(600);
    Write(harness.Folder() / "font.bin", bytes);
    font->click();
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "OK");
    EXPECT_EQ(printer.Memory().at(0x63), bytes);
    EXPECT_EQ(harness.Find<QLabel>("StatusPanel0")->text(), "Finished: 100.0%(2/2)");
    EXPECT_EQ(harness.Find<QLabel>("StatusPanel1")->text(), "DOWNLOAD font.bin");
}

TEST_F(AppTransferButtons, ProgramChecksTheChosenImageBeforeSendingIt) {
    StartPtyPrinter();
    OpenWindow();
    auto* program = harness.Find<QPushButton>("btUpdate");

    // Cancelled: nothing at all.
    program->click();
    ASSERT_EQ(harness.fileRequests.size(), 1u);
    EXPECT_EQ(harness.fileRequests[0].folder, harness.Window().ExeFolder());
    EXPECT_EQ(harness.fileRequests[0].filters.value(0), "BINARY FILE(*.bin)");
    EXPECT_TRUE(harness.messages.empty());

    // Each rule that fails gives the same box, with the rule in its detail.
    Bytes tooShort = Pattern(255);
    Bytes wrongLength = Pattern(512);
    SealFirmwareImage(wrongLength);
    wrongLength[4] += 1;
    wrongLength[8] -= 1;  // the sum stays 0
    Bytes badSum = Pattern(512);
    SealFirmwareImage(badSum);
    badSum[300] ^= 0x10;
    const std::pair<Bytes, const char*> rejected[] = {{tooShort, "fewer than the 256"},
                                                      {wrongLength, "states a length of 513"},
                                                      {badSum, "add up to 0x"}};
    for (const auto& [image, detail] : rejected) {
        harness.messages.clear();
        harness.fileAnswers = {QString::fromStdString(Write(harness.Folder() / "fw.bin", image))};
        program->click();
        ASSERT_EQ(harness.messages.size(), 1u) << detail;
        EXPECT_EQ(harness.messages[0].text, "Invalid file");
        EXPECT_EQ(harness.messages[0].caption, "QVX-II Print Tool");
        EXPECT_TRUE(harness.messages[0].detail.contains(QLatin1String(detail)))
            << harness.messages[0].detail.toStdString();
    }
    EXPECT_EQ(printer.CommandCount(), 0u);

    harness.messages.clear();
    Bytes image = Pattern(1000);
    SealFirmwareImage(image);
    harness.fileAnswers = {QString::fromStdString(Write(harness.Folder() / "fw.bin", image))};
    program->click();
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "OK");
    EXPECT_TRUE(printer.FirmwareAccepted());
    EXPECT_EQ(harness.Find<QLabel>("StatusPanel0")->text(), "Finished: 100.0%(3/3)");
}

TEST_F(AppTransferButtons, ClosingTheWindowDuringATransferAsksAndStopsIt) {
    // A paced printer: the 64 KiB update takes about six seconds.
    VirtualPrinter paced(SimOptions{.pace = true});
    std::string error;
    ASSERT_TRUE(paced.StartPty(error)) << error;
    port = QString::fromStdString(paced.SlavePath());
    TfrmMain& window = OpenWindow();
    Bytes image = Pattern(65536);
    SealFirmwareImage(image);
    harness.fileAnswers = {QString::fromStdString(Write(harness.Folder() / "fw.bin", image))};
    harness.questionAnswer = true;
    auto* progress = harness.Find<QLabel>("StatusPanel0");
    bool closed = false;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!closed && progress->text().startsWith("Finished:")) {
            closed = true;
            window.close();
        }
    });
    probe.start();
    harness.Find<QPushButton>("btUpdate")->click();  // returns when the job has ended
    probe.stop();

    ASSERT_TRUE(closed);
    EXPECT_EQ(harness.questions.size(), 1u);
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "ERROR");
    const QString reason = harness.Find<QLabel>("StatusPanel1")->text();
    EXPECT_TRUE(reason.contains("interrupted after block"));
    // The printer is left at the transfer rate; the user is told where to find it.
    EXPECT_TRUE(reason.contains("still in update mode at 115200 bit/s: pick 115200 in BAUD RATE"))
        << reason.toStdString();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(paced.FirmwareAccepted());
    EXPECT_EQ(paced.Commands().back().code, 0x2E);
    EXPECT_LT(paced.Commands().size(), 100u);
}

}  // namespace

// During a transfer the status bar shows its bar and STOP; STOP asks what
// Escape asks, and Yes stops the transfer after the block in flight.
TEST(AppTransferStop, TheBarMovesAndStopEndsTheTransferBeforeItsLastBlock) {
    VirtualPrinter paced(SimOptions{.pace = true});  // 64 KiB: about six seconds
    std::string error;
    ASSERT_TRUE(paced.StartPty(error)) << error;
    WindowHarness harness;
    const Bytes font = Pattern(64 * 1024);
    Write(harness.Folder() / "font.bin", font);
    harness.questionAnswer = true;
    harness.Open(QString::fromStdString(paced.SlavePath()));
    auto* bar = harness.Find<QProgressBar>("TransferBar");
    auto* stop = harness.Find<QPushButton>("btStop");
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(stop, nullptr);
    EXPECT_FALSE(bar->isVisible());

    int firstValue = -1;
    bool stopWasEnabled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!bar->isVisible() || bar->value() <= 0)
            return;
        if (firstValue < 0) {
            firstValue = bar->value();
        } else if (bar->value() > firstValue && harness.questions.empty()) {
            stopWasEnabled = stop->isVisible() && stop->isEnabled();
            stop->click();
        }
    });
    watch.start(50);
    harness.Find<QPushButton>("btFont")->click();  // returns once the result is shown
    watch.stop();

    EXPECT_TRUE(stopWasEnabled);
    ASSERT_EQ(harness.questions.size(), 2u);
    EXPECT_TRUE(harness.questions[0].startsWith("Stop the transfer after the block in flight?"));
    EXPECT_LT(paced.Memory()[0x63].size(), font.size());
    EXPECT_FALSE(bar->isVisible());
    // The printer stays at the transfer's rate: offered, and Yes only sets it.
    EXPECT_EQ(harness.questions[1], "The printer was left at 115200 bit/s. Set BAUD RATE to 115200?");
    const size_t sent = paced.Commands().size();
    EXPECT_EQ(harness.Find<QComboBox>("ComboBaud")->currentText(), "115200");
    EXPECT_EQ(paced.Commands().size(), sent);
}
