// The slots as the station follows them, from a slots folder that the test
// scripts (links made and removed, renamed into place, pointed elsewhere)
// and a clock it turns by hand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "slot_tracker.h"

namespace {

namespace fs = std::filesystem;
using Clock = SlotTracker::Clock;
using std::chrono::milliseconds;

constexpr SlotTiming kTiming{milliseconds(1000), milliseconds(2000)};

class ScriptedSlots : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("station-slots-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "dev");
        for (const char* tty : {"ttyUSB0", "ttyUSB1", "ttyUSB2"})
            std::ofstream(root_ / "dev" / tty) << "";
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Folder() const { return root_ / "by-path"; }
    // A link as udev makes it: under a hidden name, renamed into place.
    void Plug(const std::string& slot, const std::string& tty) {
        fs::create_directories(Folder());
        const fs::path hidden = Folder() / ("." + slot + ".tmp");
        fs::create_symlink(root_ / "dev" / tty, hidden);
        fs::rename(hidden, Folder() / slot);
    }
    void Unplug(const std::string& slot) { fs::remove(Folder() / slot); }

    // One scan at `ms` after the start; the kinds of what changed, in order.
    std::vector<std::pair<SlotChangeKind, std::string>> At(int ms) {
        std::vector<std::pair<SlotChangeKind, std::string>> kinds;
        for (const SlotChange& change :
             tracker_.Update(start_ + milliseconds(ms), ScanSlotFolder(Folder())))
            kinds.emplace_back(change.kind, change.slot);
        return kinds;
    }
    void Start(const std::string& slot) {
        ASSERT_EQ(tracker_.ReadySlots(), std::vector<std::string>{slot});
        tracker_.UnitStarted(slot);
    }

    using Changes = std::vector<std::pair<SlotChangeKind, std::string>>;
    fs::path root_;
    Clock::time_point start_ = Clock::now();
    SlotTracker tracker_{kTiming};
};

TEST_F(ScriptedSlots, AMissingFolderIsEmptyAndHiddenOrDanglingLinksAreNoSlots) {
    EXPECT_TRUE(ScanSlotFolder(Folder()).empty());
    fs::create_directories(Folder());
    fs::create_symlink(root_ / "dev" / "ttyUSB0", Folder() / ".being-renamed");
    fs::create_symlink(root_ / "dev" / "gone", Folder() / "dangling");
    EXPECT_TRUE(ScanSlotFolder(Folder()).empty());
}

TEST_F(ScriptedSlots, LinksToOneTtyAreOneSlotNamedByTheFirst) {
    Plug("pci-0:1.0-usb-0:1:1.0-port0", "ttyUSB0");
    Plug("pci-0:1.0-usbv2-0:1:1.0-port0", "ttyUSB0");
    Plug("pci-0:1.0-usb-0:2:1.0-port0", "ttyUSB1");
    const SlotScan scan = ScanSlotFolder(Folder());
    ASSERT_EQ(scan.size(), 2u);
    EXPECT_TRUE(scan.contains("pci-0:1.0-usb-0:1:1.0-port0"));
    EXPECT_EQ(scan.at("pci-0:1.0-usb-0:1:1.0-port0").device.filename(), "ttyUSB0");
}

TEST_F(ScriptedSlots, AUnitPresentAtStartSettlesRunsAndIsNeverTakenTwice) {
    Plug("a", "ttyUSB0");
    EXPECT_EQ(At(0), (Changes{{SlotChangeKind::Plugged, "a"}}));
    EXPECT_EQ(tracker_.NextDeadline(), start_ + milliseconds(1000));
    EXPECT_EQ(At(999), Changes{});
    EXPECT_TRUE(tracker_.ReadySlots().empty());
    EXPECT_EQ(At(1000), (Changes{{SlotChangeKind::Ready, "a"}}));
    Start("a");
    EXPECT_TRUE(tracker_.UnitEnded("a", true, start_ + milliseconds(1500)).empty());
    // Still plugged in, minutes later: done, not taken again.
    EXPECT_EQ(At(600000), Changes{});
    EXPECT_EQ(tracker_.StateOf("a"), SlotState::Done);
    EXPECT_FALSE(tracker_.NextDeadline());
    Unplug("a");
    EXPECT_EQ(At(600500), Changes{});
    EXPECT_EQ(tracker_.NextDeadline(), start_ + milliseconds(602500));
    EXPECT_EQ(At(602500), (Changes{{SlotChangeKind::Removed, "a"}}));
    // Plugged again: a new unit.
    Plug("a", "ttyUSB0");
    EXPECT_EQ(At(603000), (Changes{{SlotChangeKind::Plugged, "a"}}));
    EXPECT_EQ(At(604000), (Changes{{SlotChangeKind::Ready, "a"}}));
}

TEST_F(ScriptedSlots, AGapShorterThanTheWindowIsTheSameUnitEvenOnAnotherTty) {
    Plug("a", "ttyUSB0");
    At(0);
    At(1000);
    Start("a");
    Unplug("a");
    EXPECT_EQ(At(1500), Changes{});
    Plug("a", "ttyUSB2");
    EXPECT_EQ(At(3000), (Changes{{SlotChangeKind::Returned, "a"}}));
    EXPECT_EQ(tracker_.StateOf("a"), SlotState::Busy);
    EXPECT_EQ(tracker_.LinkOf("a")->device.filename(), "ttyUSB2");
    // After its unit: a re-enumeration (the printer restarting) is no new unit.
    tracker_.UnitEnded("a", true, start_ + milliseconds(4000));
    Unplug("a");
    At(4100);
    Plug("a", "ttyUSB0");
    EXPECT_EQ(At(5900), (Changes{{SlotChangeKind::Returned, "a"}}));
    EXPECT_EQ(At(9000), Changes{});
    EXPECT_EQ(tracker_.StateOf("a"), SlotState::Done);
}

TEST_F(ScriptedSlots, UnpluggedMidJobLosesThatUnitOnce) {
    Plug("a", "ttyUSB0");
    At(0);
    At(1000);
    Start("a");
    Unplug("a");
    EXPECT_EQ(At(1100), Changes{});
    EXPECT_EQ(At(3100), (Changes{{SlotChangeKind::Lost, "a"}}));
    EXPECT_EQ(At(4000), Changes{});
    // Its unit ends failed and the slot is empty, not waiting for removal.
    const auto ended = tracker_.UnitEnded("a", false, start_ + milliseconds(4100));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].kind, SlotChangeKind::Removed);
    EXPECT_FALSE(tracker_.StateOf("a"));
}

TEST_F(ScriptedSlots, ALinkThatBouncesWhileSettlingSettlesAfresh) {
    Plug("a", "ttyUSB0");
    At(0);
    Unplug("a");
    At(800);
    Plug("a", "ttyUSB0");
    EXPECT_EQ(At(900), (Changes{{SlotChangeKind::Returned, "a"}}));
    EXPECT_EQ(At(1500), Changes{});
    EXPECT_EQ(At(1900), (Changes{{SlotChangeKind::Ready, "a"}}));
}

TEST_F(ScriptedSlots, ThreeFailuresInARowFlagTheSlotUntilTheStationRestarts) {
    int t = 0;
    // One unit in slot "a": plugged, run, ended, taken out.
    const auto unit = [&](bool passed) {
        Plug("a", "ttyUSB0");
        At(t);
        At(t + 1000);
        Start("a");
        Changes ended;
        for (const SlotChange& change : tracker_.UnitEnded("a", passed, start_ + milliseconds(t)))
            ended.emplace_back(change.kind, change.slot);
        Unplug("a");
        At(t + 1100);
        EXPECT_EQ(At(t + 3500), (Changes{{SlotChangeKind::Removed, "a"}}));
        t += 4000;
        return ended;
    };
    // A pass in between starts the count again.
    for (const bool passed : {false, false, true, false, false})
        EXPECT_EQ(unit(passed), Changes{});
    EXPECT_EQ(unit(false), (Changes{{SlotChangeKind::Flagged, "a"}}));
    EXPECT_TRUE(tracker_.Flagged("a"));
    Plug("a", "ttyUSB0");
    Plug("b", "ttyUSB1");
    EXPECT_EQ(At(t), (Changes{{SlotChangeKind::Plugged, "a"}, {SlotChangeKind::Plugged, "b"}}));
    EXPECT_EQ(At(t + 60000), (Changes{{SlotChangeKind::Ready, "b"}}));
    EXPECT_EQ(tracker_.ReadySlots(), std::vector<std::string>{"b"});
}

// Which drops are a hub going down: every slot at once, a unit running in
// one of them. Said once, before the slots' own changes, which it marks.
TEST_F(ScriptedSlots, EverySlotGoingAtOnceWithAUnitRunningIsOneHubReset) {
    struct Case {
        const char* what;
        std::vector<std::string> busy;  // of a, b, c, all plugged
        std::vector<std::pair<std::string, int>> unplugged;  // slot, ms after 2000
        bool hubReset;
    };
    const std::vector<Case> cases = {
        {"all three at once, two running", {"a", "b"}, {{"a", 0}, {"b", 0}, {"c", 0}}, true},
        {"one after another within the spread", {"a"}, {{"a", 0}, {"b", 400}, {"c", 900}}, true},
        {"spread over more than a second", {"a"}, {{"a", 0}, {"b", 500}, {"c", 1100}}, false},
        {"two of three", {"a", "b"}, {{"a", 0}, {"b", 0}}, false},
        {"a tray of finished units taken out", {}, {{"a", 0}, {"b", 0}, {"c", 0}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tracker_ = SlotTracker(kTiming);
        start_ = Clock::now();
        Plug("a", "ttyUSB0");
        Plug("b", "ttyUSB1");
        Plug("c", "ttyUSB2");
        At(0);
        At(1000);
        for (const char* slot : {"a", "b", "c"}) {
            tracker_.UnitStarted(slot);
            if (std::find(c.busy.begin(), c.busy.end(), slot) == c.busy.end())
                tracker_.UnitEnded(slot, true, start_ + milliseconds(1500));
        }
        std::vector<SlotChange> changes;
        for (const auto& [slot, ms] : c.unplugged) {
            Unplug(slot);
            At(2000 + ms);
        }
        for (int ms = 2100 + c.unplugged.back().second; ms <= 6000; ms += 100) {
            for (const SlotChange& change :
                 tracker_.Update(start_ + milliseconds(ms), ScanSlotFolder(Folder())))
                changes.push_back(change);
        }
        const auto resets = std::count_if(changes.begin(), changes.end(), [](const auto& change) {
            return change.kind == SlotChangeKind::HubReset;
        });
        EXPECT_EQ(resets, c.hubReset ? 1 : 0);
        for (const SlotChange& change : changes) {
            if (change.kind == SlotChangeKind::HubReset) {
                EXPECT_EQ(change.slots, 3);
                // Before any slot it explains.
                EXPECT_EQ(&change, &changes.front());
            } else {
                EXPECT_EQ(change.hubReset, c.hubReset) << change.slot;
            }
        }
        for (const char* slot : {"a", "b", "c"})
            fs::remove(Folder() / slot);
    }
}

TEST_F(ScriptedSlots, UnitsLostInAHubResetDoNotFlagTheirSlot) {
    int t = 0;
    for (int round = 0; round < kFailuresToFlag; ++round) {
        Plug("a", "ttyUSB0");
        Plug("b", "ttyUSB1");
        At(t);
        At(t + 1000);
        tracker_.UnitStarted("a");
        tracker_.UnitStarted("b");
        Unplug("a");
        Unplug("b");
        At(t + 1100);
        std::vector<SlotChange> changes = tracker_.Update(start_ + milliseconds(t + 3100), {});
        ASSERT_EQ(changes.size(), 3u);
        EXPECT_EQ(changes[0].kind, SlotChangeKind::HubReset);
        for (const char* slot : {"a", "b"}) {
            // The slot empties, said by the hub reset already.
            const auto ended = tracker_.UnitEnded(slot, false, start_ + milliseconds(t + 3200));
            ASSERT_EQ(ended.size(), 1u);
            EXPECT_EQ(ended[0].kind, SlotChangeKind::Removed);
            EXPECT_TRUE(ended[0].hubReset);
        }
        t += 4000;
    }
    EXPECT_FALSE(tracker_.Flagged("a"));
    EXPECT_FALSE(tracker_.Flagged("b"));
}

}  // namespace
