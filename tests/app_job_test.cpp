// The worker's reports reach the Qt window from another thread.
#include <gtest/gtest.h>

#include <QLabel>
#include <thread>

#include "printer_window.h"
#include "window_observer.h"

namespace {

using AppWindowJob = PrinterWindowTest;

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

}  // namespace
