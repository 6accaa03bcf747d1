#include "station_screen_model.h"

#include <algorithm>
#include <cstdio>

#include "progress_text.h"

namespace {

constexpr size_t kGap = 2;           // between the slot's name and what it shows
constexpr size_t kShortestName = 8;  // a slot's name never gets less
constexpr size_t kWidestBar = 30;
constexpr size_t kNarrowestBar = 10;

const char* const kGreen = "\x1b[32m";
const char* const kRed = "\x1b[31m";
const char* const kYellow = "\x1b[33m";
const char* const kPlain = "\x1b[0m";

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The end of a long name, which is where udev's by-path names differ
// ("...usb-0:1.4:1.0-port0").
std::string CutFromTheLeft(const std::string& text, size_t columns) {
    const size_t width = TextColumns(text);
    if (width <= columns)
        return text + std::string(columns - width, ' ');
    if (columns <= 3)
        return std::string(columns, '.');
    size_t start = text.size() - (columns - 3);
    while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        ++start;  // never inside a UTF-8 character
    std::string cut = "..." + text.substr(start);
    return cut + std::string(columns - TextColumns(cut), ' ');
}

// Fields joined two blanks apart, a new line where the next would not fit.
void Flow(const std::vector<std::string>& fields, size_t room, std::vector<std::string>& lines) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty() && TextColumns(line) + kGap + TextColumns(field) > room) {
            lines.push_back(CutToColumns(line, room));
            line.clear();
        }
        line += (line.empty() ? "" : "  ") + field;
    }
    if (!line.empty())
        lines.push_back(CutToColumns(line, room));
}

}  // namespace

std::optional<std::string> StationScreenModel::Apply(const StationEvent& event,
                                                     Clock::time_point now) {
    if (event.left >= 0)
        serialsLeft_ = event.left;
    const std::string prefix = event.slot.empty() ? "" : event.slot + ": ";
    switch (event.kind) {
        case StationEventKind::Station:
            return event.message;
        case StationEventKind::Warning:
            if (event.flagged)
                slots_[event.slot].shows = SlotShows::Flagged;
            return prefix + "warning: " + event.message;
        case StationEventKind::Slot: {
            SlotLine& slot = slots_[event.slot];
            if (slot.shows == SlotShows::Flagged)
                break;
            if (event.message == "empty")
                slot = SlotLine{};
            else if (slot.shows == SlotShows::Waiting)
                slot.shows = SlotShows::Plugged;
            break;
        }
        case StationEventKind::Unit: {
            SlotLine& slot = slots_[event.slot];
            if (slot.shows != SlotShows::Busy || slot.unit != event.unit) {
                slot = SlotLine{SlotShows::Busy, event.unit, "find", 0, 0, "", ""};
                if (!firstUnit_)
                    firstUnit_ = now;
            }
            break;
        }
        case StationEventKind::Step:
            slots_[event.slot].step = event.step;
            slots_[event.slot].done = slots_[event.slot].total = 0;
            break;
        case StationEventKind::Progress:
            slots_[event.slot].done = event.done;
            slots_[event.slot].total = event.total;
            break;
        case StationEventKind::Serial:
            slots_[event.slot].serial = event.serial;
            break;
        case StationEventKind::Result: {
            const bool passed = event.result == "pass";
            ++(passed ? passed_ : failed_);
            ends_.push_back(now);
            while (!ends_.empty() && now - ends_.front() > kUnitRateSpan)
                ends_.pop_front();
            SlotLine& slot = slots_[event.slot];
            // A flag comes after the unit's result and stays.
            const SlotShows shows = passed           ? SlotShows::Pass
                                    : event.hubReset ? SlotShows::HubReset
                                                     : SlotShows::Fail;
            slot = SlotLine{shows, event.unit, event.step, 0, 0, event.serial, event.reason};
            break;
        }
    }
    return std::nullopt;
}

std::optional<double> StationScreenModel::UnitsPerHour(Clock::time_point now) const {
    if (ends_.empty() || !firstUnit_)
        return std::nullopt;
    // Over less than a minute, two quick units would read as thousands an hour.
    if (now - *firstUnit_ < kUnitRateAfter)
        return std::nullopt;
    const auto since = std::max(*firstUnit_, now - kUnitRateSpan);
    const auto ended = std::count_if(ends_.begin(), ends_.end(),
                                     [since](Clock::time_point end) { return end >= since; });
    const double hours = std::chrono::duration<double>(now - since).count() / 3600;
    if (hours <= 0)
        return std::nullopt;
    return static_cast<double>(ended) / hours;
}

std::vector<std::string> StationScreenModel::TitleLines(int room, Clock::time_point now) const {
    std::vector<std::string> lines;
    const size_t width = static_cast<size_t>(room);
    std::vector<std::string> who = {"recipe " + title_.recipe};
    if (!title_.order.empty())
        who.push_back("order " + title_.order);
    if (!title_.operatorName.empty())
        who.push_back("operator " + title_.operatorName);
    Flow(who, width, lines);

    const int ended = passed_ + failed_;
    std::vector<std::string> counts = {"passed " + std::to_string(passed_),
                                       "failed " + std::to_string(failed_)};
    counts.push_back("pass rate " +
                     (ended > 0 ? Fixed(100.0 * passed_ / ended, 1) + "%" : std::string("-")));
    const auto rate = UnitsPerHour(now);
    counts.push_back((rate ? Fixed(*rate, 1) : std::string("-")) + " units/h");
    if (serialsLeft_ >= 0)
        counts.push_back("serials left " + std::to_string(serialsLeft_));
    Flow(counts, width, lines);
    return lines;
}

size_t StationScreenModel::CommonStart() const {
    if (slots_.size() < 2)
        return 0;
    const std::string& first = slots_.begin()->first;
    const std::string& last = slots_.rbegin()->first;  // in name order: the two that differ most
    size_t same = 0;
    while (same < first.size() && same < last.size() && first[same] == last[same])
        ++same;
    // Back to the end of a part of the name ("...usb-0:1." of "...usb-0:1.4:1.0"),
    // so that a number is not cut in two.
    while (same > 0 && std::string("-:./_").find(first[same - 1]) == std::string::npos)
        --same;
    return same;
}

std::string StationScreenModel::SlotText(const SlotLine& slot, size_t room) const {
    const std::string unit = "unit " + std::to_string(slot.unit);
    switch (slot.shows) {
        case SlotShows::Waiting:
            return "waiting";
        case SlotShows::Plugged:
            return "plugged in, settling";
        case SlotShows::Busy: {
            std::string text = unit + "  " + slot.step;
            if (slot.total <= 0)
                return text;
            const int64_t percent = slot.done * 100 / slot.total;
            text += " " + std::to_string(percent) + "%";
            const size_t left = room > TextColumns(text) + 1 ? room - TextColumns(text) - 1 : 0;
            if (left >= kNarrowestBar) {
                const size_t inside = std::min(left, kWidestBar) - 2;
                const size_t full = static_cast<size_t>(slot.done) * inside /
                                    static_cast<size_t>(slot.total);
                text += " [" + std::string(full, '#') + std::string(inside - full, '.') + "]";
            }
            return text;
        }
        case SlotShows::Pass:
            return "PASS  " + (slot.serial.empty() ? "" : slot.serial + "  ") + "remove unit";
        case SlotShows::Fail:
            return "FAIL  " + slot.step + ": " + slot.reason;
        case SlotShows::HubReset:
            return "hub reset  " + unit + " failed at " + slot.step;
        case SlotShows::Flagged:
            return "FLAGGED  check the cable or hub; no more units until the station restarts";
    }
    return "";
}

std::vector<std::string> StationScreenModel::Render(int columns, Clock::time_point now,
                                                    bool colour) const {
    const size_t room = static_cast<size_t>(std::max(columns - 1, 1));
    std::vector<std::string> lines = TitleLines(static_cast<int>(room), now);
    const size_t cap = std::max(kShortestName, room / 3);
    size_t widest = 0;
    for (const auto& [name, slot] : slots_)
        widest = std::max(widest, TextColumns(name));
    // Names too long for their column lose what they all begin with.
    const size_t common = widest > cap ? CommonStart() : 0;
    const auto shownName = [common](const std::string& name) {
        return common > 0 ? ".." + name.substr(common) : name;
    };
    size_t nameColumns = 0;
    for (const auto& [name, slot] : slots_)
        nameColumns = std::max(nameColumns, TextColumns(shownName(name)));
    nameColumns = std::min(nameColumns, cap);
    const size_t textRoom = room > nameColumns + kGap ? room - nameColumns - kGap : 0;
    for (const auto& [name, slot] : slots_) {
        const std::string text = CutToColumns(SlotText(slot, textRoom), textRoom);
        const std::string namePart = CutFromTheLeft(shownName(name), nameColumns) + "  ";
        std::string line = CutToColumns(namePart + text, room);
        const char* paint = nullptr;
        size_t word = 0;
        switch (slot.shows) {
            case SlotShows::Pass:
                paint = kGreen, word = 4;
                break;
            case SlotShows::Fail:
                paint = kRed, word = 4;
                break;
            case SlotShows::Flagged:
                paint = kYellow, word = 7;
                break;
            case SlotShows::HubReset:
                paint = kYellow, word = 9;
                break;
            default:
                break;
        }
        const size_t at = namePart.size();
        if (colour && paint && line.size() >= at + word)
            line = line.substr(0, at) + paint + line.substr(at, word) + kPlain +
                   line.substr(at + word);
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}
