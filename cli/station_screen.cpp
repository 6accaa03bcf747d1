#include "station_screen.h"

#include <ctime>

#include "progress_text.h"

namespace {

using Clock = StationScreenModel::Clock;

// Progress comes with every block of every slot: drawn at most this often.
constexpr std::chrono::milliseconds kProgressRedraw{100};
// Drawn at least this often when nothing happens, for the hourly rate.
constexpr std::chrono::seconds kIdleRedraw{5};
constexpr std::chrono::milliseconds kTick{200};

// "14:03:27 " in local time, before each line that scrolls.
std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S ", &local);
    return text;
}

// The columns a drawn line takes: its colour sequences take none.
size_t VisibleColumns(const std::string& line) {
    std::string visible;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b') {
            while (i < line.size() && line[i] != 'm')
                ++i;
            continue;
        }
        visible += line[i];
    }
    return TextColumns(visible);
}

}  // namespace

StationScreen::StationScreen(StationScreenTitle title, std::ostream& out, bool colour,
                             std::function<int()> columns)
    : model_(std::move(title)), out_(out), colour_(colour), columns_(std::move(columns)) {
    ticker_ = std::thread([this] { Tick(); });
}

StationScreen::~StationScreen() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        tick_.notify_all();
    }
    ticker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    Draw({});
}

void StationScreen::Event(const StationEvent& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    const auto scrolled = model_.Apply(event, now);
    if (event.kind == StationEventKind::Progress && now - lastDraw_ < kProgressRedraw) {
        undrawn_ = true;
        return;
    }
    Draw(scrolled ? std::vector<std::string>{TimeOfDay() + *scrolled}
                  : std::vector<std::string>{});
}

void StationScreen::Tick() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ending_) {
        tick_.wait_for(lock, kTick);
        if (!ending_ && (undrawn_ || Clock::now() - lastDraw_ >= kIdleRedraw))
            Draw({});
    }
}

void StationScreen::Draw(const std::vector<std::string>& scrolled) {
    const int columns = std::max(columns_(), 2);
    // Back over the lines drawn last, as the terminal holds them now: a line
    // drawn wider than the terminal is now takes more than one row.
    size_t rows = 0;
    for (const size_t width : drawn_)
        rows += width == 0 ? 1 : (width + static_cast<size_t>(columns) - 1) / columns;
    std::string text = "\r";
    if (rows > 0)
        text += "\x1b[" + std::to_string(rows) + "A";
    text += "\x1b[J";
    for (const std::string& line : scrolled)
        text += line + "\n";  // whole, and the terminal wraps it: it scrolls away
    drawn_.clear();
    const auto now = Clock::now();
    for (const std::string& line : model_.Render(columns, now, colour_)) {
        text += line + "\n";
        drawn_.push_back(VisibleColumns(line));
    }
    out_ << text << std::flush;
    lastDraw_ = now;
    undrawn_ = false;
}
