// printer-cli's operator's screen of the station, on a terminal: the lines
// of StationScreenModel redrawn in place below the station's own messages,
// which scroll above them. Events come from the station's threads; a ticker
// redraws what a burst of progress left undrawn and keeps the hourly rate
// moving.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "station_events.h"
#include "station_screen_model.h"

class StationScreen : public StationSink {
  public:
    // `columns` tells the terminal's width at each redraw.
    StationScreen(StationScreenTitle title, std::ostream& out, bool colour,
                  std::function<int()> columns);
    ~StationScreen() override;  // the last state drawn, the cursor below it
    StationScreen(const StationScreen&) = delete;
    StationScreen& operator=(const StationScreen&) = delete;

    void Event(const StationEvent& event) override;

  private:
    void Draw(const std::vector<std::string>& scrolled);  // caller holds mutex_
    void Tick();

    StationScreenModel model_;
    std::ostream& out_;
    const bool colour_;
    const std::function<int()> columns_;
    std::mutex mutex_;
    std::vector<size_t> drawn_;  // the columns of each line drawn last
    StationScreenModel::Clock::time_point lastDraw_{};
    bool undrawn_ = false;
    bool ending_ = false;
    std::condition_variable tick_;
    std::thread ticker_;
};
