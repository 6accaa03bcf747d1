// How a call on several ports shows itself while the jobs run: one line per
// port redrawn in place on a terminal, lines prefixed with the port
// elsewhere, or JSON Lines events that name their port. The workers report
// from their threads; only the caller's thread redraws the terminal.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "comm_observer.h"
#include "terminal_width.h"

enum class DisplayMode { Terminal, Lines, Json, Quiet };

class PortDisplay {
  public:
    // `columns` tells the terminal's width at each redraw.
    PortDisplay(std::vector<std::string> ports, DisplayMode mode,
                std::function<int()> columns = TerminalColumnsOr80);

    // The worker side of port `index`: its environment, its reports shown here.
    std::unique_ptr<CommObserver> ObserverFor(size_t index, JobEnvironment environment);

    // From the workers.
    void Progress(size_t index, int64_t done, int64_t total, double seconds);
    void Status(size_t index, const std::string& text);

    // From the caller's thread: the port's last word ("OK 6.2 s", "error 1: ...").
    void Ended(size_t index, const std::string& text);
    // Redraws the terminal's lines when a report changed them.
    void Refresh();
    // One JSON Lines event on stdout, whole.
    void Json(const nlohmann::json& event);

  private:
    // What a port's line shows: its progress, drawn to the width at hand,
    // or a text.
    struct PortLine {
        bool progress = false;
        int64_t done = 0;
        int64_t total = 0;
        double seconds = 0;
        std::string text = "started";
    };

    void Draw();  // caller holds mutex_

    const std::vector<std::string> ports_;
    const DisplayMode mode_;
    const std::function<int()> columns_;
    size_t nameColumns_ = 0;
    std::mutex mutex_;
    std::vector<PortLine> lines_;
    std::vector<int> lastDecile_;
    bool changed_ = true;
    bool drawn_ = false;
};
