#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "printer_window.h"
#include "window_observer.h"

namespace {

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

const char* const kJobButtons[] = {"btSet",  "btSetBlueTooth", "btIrComm", "btFactory",
                                   "btFont", "btUpdate",       "btLOGO"};

using AppWindowJob = PrinterWindowTest;

TEST_F(AppWindowJob, WindowStaysLiveAndStartsNothingElseWhileAJobRuns) {
    // The printer holds its answer to the setting, so the job is certainly
    // still running while the window is looked at; meanwhile a progress
    // report arrives from a thread that is not the window's. (Holding the
    // identify answer instead would race its 200 ms wait on a slow machine;
    // the setting waits 1 s a try, three tries.)
    Gate gate;
    std::atomic<WindowObserver*> reporter{nullptr};
    std::atomic<bool> identified{false};
    printer.SetCommandObserver([&](const ReceivedCommand& command) {
        if (command.code != kPrintParameters || identified.exchange(true))
            return;
        reporter.load()->JobProgress(1280, 2560);
        gate.Wait();
    });
    StartPtyPrinter();
    ini = "[FACTORY]\nSERIAL NO=1\n";
    TfrmMain& window = OpenWindow();
    reporter = window.findChild<WindowObserver*>("WindowObserver");
    ASSERT_NE(reporter.load(), nullptr);

    bool looked = false;
    bool allDisabled = true;
    bool stayedOpen = false;
    bool progressShown = false;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!identified)
            return;
        if (!looked) {
            looked = true;
            for (const char* name : kJobButtons)
                allDisabled = allDisabled && !harness.Find<QPushButton>(name)->isEnabled();
            harness.Find<QPushButton>("btSetBlueTooth")->click();
            window.close();  // waits for the job
            stayedOpen = window.isVisible();
        }
        if (harness.Find<QLabel>("StatusPanel0")->text() == "Finished: 50.0%(5/10)") {
            progressShown = true;
            probe.stop();
            gate.Open();
        }
    });
    probe.start();
    harness.Find<QPushButton>("btSet")->click();  // returns once the result is shown
    probe.stop();
    gate.Open();

    EXPECT_TRUE(looked);
    EXPECT_TRUE(allDisabled);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(progressShown);
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "OK");
    ASSERT_EQ(harness.sounds.size(), 1u);
    EXPECT_EQ(harness.sounds[0], window.ExeFolder() + "ok.wav");
    // One job: one identify, and the setting it was started for.
    EXPECT_EQ(Received(kIdentify).size(), 1u);
    EXPECT_FALSE(Received(kPrintParameters).empty());
    EXPECT_FALSE(printer.Settings().bluetooth.has_value());
    // The close asked for during the job happened after it.
    EXPECT_FALSE(window.isVisible());
    for (const char* name : kJobButtons)
        EXPECT_TRUE(harness.Find<QPushButton>(name)->isEnabled()) << name;
}

TEST_F(AppWindowJob, StatusTextOfTheWorkerGoesToTheSecondPanel) {
    StartPtyPrinter();
    TfrmMain& window = OpenWindow();
    auto* reporter = window.findChild<WindowObserver*>("WindowObserver");
    ASSERT_NE(reporter, nullptr);
    std::thread worker([reporter] { reporter->StatusText("DOWNLOAD font.bin"); });
    worker.join();
    auto* panel = harness.Find<QLabel>("StatusPanel1");
    EXPECT_TRUE(WaitUntil([panel] { return panel->text() == "DOWNLOAD font.bin"; }));
}

TEST_F(AppWindowJob, ADebugLogThatCannotBeSavedIsSaidInTheStatusBar) {
    StartPtyPrinter();
    // A folder where the log file should be: it cannot be replaced.
    std::filesystem::create_directories(harness.Folder() / "debug.log" / "x");
    OpenWindow();
    harness.Find<QPushButton>("btSetBlueTooth")->click();
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "OK");
    EXPECT_TRUE(harness.Find<QLabel>("StatusPanel1")->text().startsWith("debug.log not saved: "))
        << harness.Find<QLabel>("StatusPanel1")->text().toStdString();
}

}  // namespace
