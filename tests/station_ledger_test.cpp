// The ledger under the failures it exists for: a station killed between any
// two of its writes, a second station of the same name, another recipe's
// range, a range used up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "ledger.h"
#include "report.h"

namespace {

namespace fs = std::filesystem;

const SerialRange kRange{"ZDV 7714", "ZD", 6, 1000, 1999};

StationIdentity Named(const std::string& name) {
    return {name, "WO-7", "ann", "0123abcd"};
}

class LedgerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("station-ledger-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path File() const { return folder_ / "ledger.sqlite"; }

    // A whole unit: started, serial allocated, written, passed.
    std::string PassUnit(Ledger& ledger) {
        const int64_t unit = ledger.StartUnit({"slot", "/dev/ttyUSB0", "", ""}, folder_);
        const auto serial = ledger.Allocate(unit);
        if (!serial)
            return "";
        ledger.MarkWriting(unit);
        ledger.MarkWritten(unit);
        ledger.Finish(unit, {true, "", "", 0, "ZDV 7714"});
        return serial->serial;
    }

    fs::path folder_;
};

// A child process that does `work` on the ledger; the parent kills it.
pid_t Fork(const std::function<void()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            work();
        } catch (...) {
        }
        _exit(0);
    }
    return pid;
}

TEST_F(LedgerTest, KilledBetweenAnyTwoWritesItNeverGivesANumberTwiceNorLosesOne) {
    std::mt19937 random(31);
    for (int run = 0; run < 12; ++run) {
        const pid_t child = Fork([&] {
            Ledger ledger(File(), Named("crash"));
            ledger.UseRange(kRange, "example");
            for (;;) {
                const int64_t unit = ledger.StartUnit({"s", "p", "", ""}, folder_);
                const auto serial = ledger.Allocate(unit);
                ledger.MarkWriting(unit);
                ledger.MarkWritten(unit);
                ledger.Finish(unit, {true, "", "", 0, ""});
            }
        });
        // A random point of its work (not a wait for anything): a busy
        // machine only moves where.
        const auto wait = std::chrono::microseconds(2000 + random() % 40000);
        struct timespec pause {
            0, static_cast<long>(std::chrono::nanoseconds(wait).count())
        };
        nanosleep(&pause, nullptr);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    Ledger ledger(File(), Named("crash"));
    ledger.UseRange(kRange, "example");
    const Report report = ReadReport(File(), "");
    ASSERT_FALSE(report.rows.empty());
    std::vector<int64_t> numbers;
    for (const ReportRow& row : report.rows) {
        EXPECT_TRUE(row.result == "pass" || row.result == "void" || row.result == "unknown" ||
                    row.result == "fail")
            << row.result;
        if (row.serial.empty()) {
            EXPECT_EQ(row.result, "fail") << "a unit without a serial ended before it got one";
            continue;
        }
        numbers.push_back(std::stoll(row.serial.substr(2)));
    }
    std::sort(numbers.begin(), numbers.end());
    for (size_t i = 0; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], kRange.first + static_cast<int64_t>(i)) << "a number given twice "
                                                                         "or passed over";
    // The next number follows the last one recorded: none was handed out unrecorded.
    EXPECT_EQ(PassUnit(ledger), kRange.Text(kRange.first + static_cast<int64_t>(numbers.size())));
}

TEST_F(LedgerTest, OnlyTheOwnerTurnsItsOpenRowsAndOnlyOnceItsProcessIsGone) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = Fork([&] {
        Ledger ledger(File(), Named("a"));
        ledger.UseRange(kRange, "example");
        const int64_t allocated = ledger.StartUnit({"1", "p", "", ""}, folder_);
        ledger.Allocate(allocated);
        const int64_t writing = ledger.StartUnit({"2", "p", "", ""}, folder_);
        ledger.Allocate(writing);
        ledger.MarkWriting(writing);
        ledger.StartUnit({"3", "p", "", ""}, folder_);
        (void)!write(ready[1], "x", 1);
        pause();
    });
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);

    // While "a" runs: its units are in progress, its name taken, its rows untouched.
    EXPECT_THROW(Ledger(File(), Named("a")), LedgerError);
    {
        Ledger other(File(), Named("b"));
        EXPECT_EQ(other.Recovered().voided + other.Recovered().unknown + other.Recovered().failed,
                  0);
    }
    Report report = ReadReport(File(), "");
    EXPECT_TRUE(report.rows.empty());
    EXPECT_EQ(report.inProgress, 3);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    // Gone, not restarted: the report says what its restart will make of them.
    report = ReadReport(File(), "");
    ASSERT_EQ(report.rows.size(), 3u);
    EXPECT_EQ(report.rows[0].result, "void");
    EXPECT_EQ(report.rows[1].result, "unknown");
    EXPECT_EQ(report.rows[2].result, "fail");
    EXPECT_NE(report.rows[1].reason.find("not restarted yet"), std::string::npos);

    Ledger restarted(File(), Named("a"));
    EXPECT_EQ(restarted.Recovered().voided, 1);
    EXPECT_EQ(restarted.Recovered().unknown, 1);
    EXPECT_EQ(restarted.Recovered().failed, 1);
    report = ReadReport(File(), "");
    EXPECT_EQ(report.rows[1].reason.find("not restarted yet"), std::string::npos);
    EXPECT_EQ(report.rows[0].serial, "ZD001000");
    EXPECT_EQ(report.rows[0].order, "WO-7");
    close(ready[0]);
    close(ready[1]);
}

TEST_F(LedgerTest, ARangeIsSharedByItsRecipeAndRefusedToAnotherThatOverlapsIt) {
    Ledger first(File(), Named("one"));
    first.UseRange(kRange, "example");
    EXPECT_EQ(PassUnit(first), "ZD001000");
    struct Case {
        const char* what;
        SerialRange range;
        std::string recipe;
        bool accepted;
    };
    const Case cases[] = {
        {"the same recipe again", kRange, "example", true},
        {"another recipe, the same numbers", kRange, "other", false},
        {"another recipe, overlapping", {"ZDV 7714", "ZD", 6, 1999, 2999}, "other", false},
        {"the same recipe, changed to overlap",
         {"ZDV 7714", "ZD", 6, 1000, 2999},
         "example",
         false},
        {"another recipe, the numbers after", {"ZDV 7714", "ZD", 6, 2000, 2999}, "other", true},
        {"another model", {"ZDV 77XX", "ZD", 6, 1000, 1999}, "other", true},
        {"another prefix", {"ZDV 7714", "ZE", 6, 1000, 1999}, "other", true},
    };
    for (const Case& c : cases) {
        Ledger second(File(), Named("two"));
        if (c.accepted)
            EXPECT_NO_THROW(second.UseRange(c.range, c.recipe)) << c.what;
        else
            EXPECT_THROW(second.UseRange(c.range, c.recipe), LedgerError) << c.what;
    }
    // Two stations on one recipe draw from one counter.
    Ledger second(File(), Named("two"));
    second.UseRange(kRange, "example");
    EXPECT_EQ(PassUnit(second), "ZD001001");
    EXPECT_EQ(PassUnit(first), "ZD001002");
}

TEST_F(LedgerTest, AUsedUpRangeGivesNothingMoreAndAVoidSerialStaysUsed) {
    Ledger ledger(File(), Named("one"));
    ledger.UseRange({"M", "", 0, 7, 8}, "small");
    const int64_t stopped = ledger.StartUnit({"s", "p", "", ""}, folder_);
    ASSERT_EQ(ledger.Allocate(stopped)->serial, "7");
    // Ended before the serial left: void, and 7 is not handed out again.
    ledger.Finish(stopped, {false, "factory", "stopped", 130, ""});
    EXPECT_EQ(ledger.NumbersLeft(), 1);
    EXPECT_EQ(PassUnit(ledger), "8");
    EXPECT_EQ(ledger.NumbersLeft(), 0);
    EXPECT_FALSE(ledger.Allocate(ledger.StartUnit({"s", "p", "", ""}, folder_)));
    // The third unit still runs here: it has no result to list yet.
    const Report report = ReadReport(File(), "");
    ASSERT_EQ(report.rows.size(), 2u);
    EXPECT_EQ(report.inProgress, 1);
    EXPECT_EQ(report.rows[0].result, "void");
    EXPECT_EQ(report.rows[1].result, "pass");
    // --since: a time after every start lists none.
    EXPECT_TRUE(ReadReport(File(), "9999-01-01T00:00:00Z").rows.empty());
}

}  // namespace
