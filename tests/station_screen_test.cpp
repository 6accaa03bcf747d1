// The operator's screen laid out from a scripted run of events: what each
// slot shows at a few widths, its colours, and the hourly rate.
#include <gtest/gtest.h>

#include "progress_text.h"
#include "station_screen_model.h"

namespace {

using Clock = StationScreenModel::Clock;
using std::chrono::minutes;

const std::string kBusy = "pci-0000:00:14.0-usb-0:1.1:1.0-port0";
const std::string kPassed = "pci-0000:00:14.0-usb-0:1.2:1.0-port0";
const std::string kFailed = "pci-0000:00:14.0-usb-0:1.3:1.0-port0";
const std::string kFlagged = "pci-0000:00:14.0-usb-0:1.4:1.0-port0";
const std::string kReset = "pci-0000:00:14.0-usb-0:1.5:1.0-port0";
const std::string kEmpty = "pci-0000:00:14.0-usb-0:1.6:1.0-port0";

StationEvent Event(StationEventKind kind, const std::string& slot, int64_t unit = 0) {
    StationEvent event;
    event.kind = kind;
    event.slot = slot;
    event.unit = unit;
    return event;
}

StationEvent Result(const std::string& slot, int64_t unit, bool passed, const std::string& serial,
                    const std::string& reason = "", bool hubReset = false) {
    StationEvent event = Event(StationEventKind::Result, slot, unit);
    event.result = passed ? "pass" : "fail";
    event.step = passed ? "" : "font";
    event.serial = serial;
    event.reason = reason;
    event.hubReset = hubReset;
    return event;
}

// Six slots, one in each state a slot can show.
class ScreenOfSixSlots : public ::testing::Test {
  protected:
    void SetUp() override {
        StationEvent start = Event(StationEventKind::Station, "");
        start.message = "serials ZD001000..ZD001999: 996 left";
        start.left = 996;
        EXPECT_EQ(model_.Apply(start, t0_), start.message);
        for (const std::string& slot : {kBusy, kPassed, kFailed, kFlagged, kReset, kEmpty}) {
            StationEvent plugged = Event(StationEventKind::Slot, slot);
            plugged.message = "plugged in (/dev/ttyUSB0)";
            model_.Apply(plugged, t0_);
        }
        int64_t unit = 0;
        for (const std::string& slot : {kBusy, kPassed, kFailed, kFlagged, kReset})
            model_.Apply(Event(StationEventKind::Unit, slot, ++unit), t0_);
        StationEvent step = Event(StationEventKind::Step, kBusy, 1);
        step.step = "firmware";
        model_.Apply(step, t0_);
        StationEvent progress = Event(StationEventKind::Progress, kBusy, 1);
        progress.step = "firmware";
        progress.done = 450;
        progress.total = 1000;
        model_.Apply(progress, t0_);
        model_.Apply(Result(kPassed, 2, true, "ZD001003"), t0_ + minutes(1));
        model_.Apply(Result(kFailed, 3, false, "", "no reply to font.bin block at 0x00001400"),
                     t0_ + minutes(2));
        model_.Apply(Result(kFlagged, 4, false, "", "no reply"), t0_ + minutes(3));
        StationEvent flag = Event(StationEventKind::Warning, kFlagged);
        flag.flagged = true;
        flag.message = "3 units failed in a row here";
        EXPECT_EQ(model_.Apply(flag, t0_ + minutes(3)),
                  kFlagged + ": warning: 3 units failed in a row here");
        model_.Apply(Result(kReset, 5, false, "", "hub reset during font: hung up", true),
                     t0_ + minutes(4));
        StationEvent empty = Event(StationEventKind::Slot, kEmpty);
        empty.message = "empty";
        model_.Apply(empty, t0_ + minutes(4));
    }

    // The line of a slot, found by the end of its name.
    static std::string LineOf(const std::vector<std::string>& lines, const std::string& slot) {
        const std::string tail = slot.substr(slot.size() - 11);
        for (const std::string& line : lines) {
            if (line.find(tail) != std::string::npos)
                return line;
        }
        return "";
    }

    Clock::time_point t0_ = Clock::now();
    StationScreenModel model_{{"example", "WO-1187", "ann"}};
};

TEST_F(ScreenOfSixSlots, EachSlotSaysWhatItHoldsAtEveryWidth) {
    struct Shown {
        const std::string& slot;
        std::vector<std::string> words;  // in this order, each present
    };
    const std::vector<Shown> shown = {
        {kBusy, {"unit 1", "firmware 45%"}},
        {kPassed, {"PASS", "ZD001003", "remove unit"}},
        {kFailed, {"FAIL", "font: no reply"}},
        {kFlagged, {"FLAGGED", "check the cable"}},
        {kReset, {"hub reset"}},
        {kEmpty, {"waiting"}},
    };
    for (const int columns : {120, 72, 40}) {
        SCOPED_TRACE(columns);
        const auto lines = model_.Render(columns, t0_ + minutes(5), false);
        // The title and the counts, two lines when there is room, then the slots.
        ASSERT_EQ(lines.size(), (columns >= 72 ? 2u : 4u) + shown.size());
        std::string title;
        for (size_t i = 0; i + shown.size() < lines.size(); ++i)
            title += lines[i] + "\n";
        for (const char* field : {"recipe example", "order WO-1187", "passed 1", "failed 3",
                                  "pass rate 25.0%", "units/h", "serials left 996"})
            EXPECT_NE(title.find(field), std::string::npos) << field << " in\n" << title;
        for (const std::string& line : lines)
            EXPECT_LT(TextColumns(line), static_cast<size_t>(columns)) << line;
        for (const Shown& slot : shown) {
            const std::string line = LineOf(lines, slot.slot);
            ASSERT_FALSE(line.empty()) << slot.slot;
            size_t at = 0;
            for (const std::string& word : slot.words) {
                // The narrowest keeps the first word of each, the state.
                if (columns < 72 && &word != &slot.words.front())
                    continue;
                at = line.find(word, at);
                EXPECT_NE(at, std::string::npos) << word << " in " << line;
            }
        }
        // A long name keeps the part where slots differ.
        EXPECT_NE(lines.back().find("6:1.0-port0"), std::string::npos) << lines.back();

    }
    // Room to spare: the transfer's bar.
    EXPECT_NE(LineOf(model_.Render(120, t0_, false), kBusy).find("[######"), std::string::npos);
}

TEST_F(ScreenOfSixSlots, PassIsGreenAndFailRedWithTheWordsKept) {
    const auto plain = model_.Render(100, t0_, false);
    const auto coloured = model_.Render(100, t0_, true);
    for (const std::string& line : plain)
        EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    EXPECT_NE(LineOf(coloured, kPassed).find("\x1b[32mPASS\x1b[0m"), std::string::npos);
    EXPECT_NE(LineOf(coloured, kFailed).find("\x1b[31mFAIL\x1b[0m"), std::string::npos);
    EXPECT_EQ(LineOf(coloured, kBusy), LineOf(plain, kBusy));
}

TEST(StationScreen, UnitsPerHourRollOverTheLastQuarterHour) {
    StationScreenModel model({"example", "", ""});
    const auto t0 = Clock::now();
    EXPECT_FALSE(model.UnitsPerHour(t0));
    model.Apply(Event(StationEventKind::Unit, "a", 1), t0);
    // One unit in the first five minutes: twelve an hour.
    model.Apply(Result("a", 1, true, "1"), t0 + minutes(5));
    EXPECT_NEAR(*model.UnitsPerHour(t0 + minutes(5)), 12.0, 1e-6);
    // Too soon to tell at half a minute.
    EXPECT_FALSE(model.UnitsPerHour(t0 + std::chrono::seconds(30)));
    // Three more by minute 10, then nothing: the quarter hour forgets them.
    for (int unit = 2; unit <= 4; ++unit) {
        model.Apply(Event(StationEventKind::Unit, "a", unit), t0 + minutes(6));
        model.Apply(Result("a", unit, unit != 3, "x"), t0 + minutes(10));
    }
    EXPECT_NEAR(*model.UnitsPerHour(t0 + minutes(10)), 24.0, 1e-6);
    EXPECT_NEAR(*model.UnitsPerHour(t0 + minutes(20)), 4 * 4.0, 1e-6);
    EXPECT_NEAR(*model.UnitsPerHour(t0 + minutes(21)), 3 * 4.0, 1e-6);
    EXPECT_NEAR(*model.UnitsPerHour(t0 + minutes(26)), 0.0, 1e-6);
    EXPECT_EQ(model.Passed(), 3);
    EXPECT_EQ(model.Failed(), 1);
}

}  // namespace
