#include "port_display.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "json_line.h"
#include "progress_text.h"

namespace {

class PortObserver : public CommObserver {
  public:
    PortObserver(PortDisplay& display, size_t index, JobEnvironment environment)
        : display_(display),
          index_(index),
          environment_(std::move(environment)),
          started_(std::chrono::steady_clock::now()) {}

    JobEnvironment CurrentEnvironment() override { return environment_; }
    void JobProgress(int32_t done, int32_t total) override {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        display_.Progress(index_, done, total, seconds);
    }
    void StatusText(const std::string& text) override { display_.Status(index_, text); }
    void JobFinished() override {}

  private:
    PortDisplay& display_;
    const size_t index_;
    const JobEnvironment environment_;
    const std::chrono::steady_clock::time_point started_;
};

}  // namespace

PortDisplay::PortDisplay(std::vector<std::string> ports, DisplayMode mode,
                         std::function<int()> columns)
    : ports_(std::move(ports)),
      mode_(mode),
      columns_(std::move(columns)),
      lines_(ports_.size()),
      lastDecile_(ports_.size(), -1) {
    for (const std::string& port : ports_)
        nameColumns_ = std::max(nameColumns_, TextColumns(port));
}

std::unique_ptr<CommObserver> PortDisplay::ObserverFor(size_t index, JobEnvironment environment) {
    return std::make_unique<PortObserver>(*this, index, std::move(environment));
}

void PortDisplay::Progress(size_t index, int64_t done, int64_t total, double seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (mode_) {
        case DisplayMode::Json:
            std::cout << JsonLine(nlohmann::json{{"event", "progress"},
                                                 {"port", ports_[index]},
                                                 {"done", done},
                                                 {"total", total}})
                      << std::endl;
            break;
        case DisplayMode::Terminal:
            lines_[index] = {true, done, total, seconds, {}};
            changed_ = true;
            break;
        case DisplayMode::Lines:
            if (const int decile = ProgressDecile(done, total); decile > lastDecile_[index]) {
                lastDecile_[index] = decile;
                std::cerr << ports_[index] << ": " << ProgressPlainLine(done, total) << "\n";
            }
            break;
        case DisplayMode::Quiet:
            break;
    }
}

void PortDisplay::Status(size_t index, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (mode_) {
        case DisplayMode::Json:
            std::cout << JsonLine(nlohmann::json{
                             {"event", "status"}, {"port", ports_[index]}, {"text", text}})
                      << std::endl;
            break;
        case DisplayMode::Terminal:
            lines_[index] = {.text = text};
            changed_ = true;
            break;
        case DisplayMode::Lines:
            std::cerr << ports_[index] << ": " << text << "\n";
            break;
        case DisplayMode::Quiet:
            break;
    }
}

void PortDisplay::Ended(size_t index, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == DisplayMode::Terminal) {
        lines_[index] = {.text = text};
        changed_ = true;
        Draw();
    } else if (mode_ == DisplayMode::Lines) {
        std::cerr << ports_[index] << ": " << text << "\n";
    }
}

void PortDisplay::Refresh() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == DisplayMode::Terminal && changed_)
        Draw();
}

void PortDisplay::Json(const nlohmann::json& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::cout << JsonLine(event) << std::endl;
}

void PortDisplay::Draw() {
    if (drawn_)
        std::cerr << "\x1b[" << ports_.size() << "A";  // back to the first port's line
    // A line that reaches the last column wraps, and the redraw would then
    // miss it: each stays short of it, at the width the terminal has now.
    const int columns = columns_();
    const size_t room = static_cast<size_t>(std::max(columns - 1, 0));
    for (size_t i = 0; i < ports_.size(); ++i) {
        const std::string name =
            ports_[i] + std::string(nameColumns_ - TextColumns(ports_[i]) + 2, ' ');
        const PortLine& port = lines_[i];
        const int left = columns - static_cast<int>(TextColumns(name));
        const std::string text = port.progress
                                     ? FittedProgressLine(port.done, port.total, port.seconds, left)
                                     : port.text;
        std::cerr << "\r\x1b[K" << CutToColumns(name + text, room) << "\n";
    }
    std::cerr << std::flush;
    drawn_ = true;
    changed_ = false;
}
