#include "cli_observer.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

#include "json_line.h"
#include "path_text.h"
#include "progress_text.h"
#include "rate_recovery.h"
#include "terminal_width.h"

JobEnvironment EnvironmentOf(const CliRequest& request, std::filesystem::path exeFolder) {
    JobEnvironment environment;
    environment.portName = request.port;
    environment.portRate = request.rate;
    environment.exeFolder = std::move(exeFolder);
    environment.debugLogPath = PathFromUtf8(request.logPath);
    environment.endpoint = request.endpoint;
    environment.transferRate = request.transferRate;
    if (request.findRate)
        environment.findRates = RatesToFind(request.transferRate);
    environment.rateAdvice = RateAdvice::CommandLine;
    return environment;
}

CliObserver::CliObserver(const CliRequest& request, std::filesystem::path exeFolder)
    : environment_(EnvironmentOf(request, std::move(exeFolder))),
      json_(request.json),
      quiet_(request.quiet),
      terminal_(isatty(STDERR_FILENO) != 0),
      started_(std::chrono::steady_clock::now()) {}

void CliObserver::JobProgress(int32_t done, int32_t total) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (json_) {
        const nlohmann::json event = {{"event", "progress"}, {"done", done}, {"total", total}};
        std::cout << JsonLine(event) << std::endl;
        return;
    }
    if (quiet_)
        return;
    if (terminal_) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        const int columns = TerminalColumnsOr80();
        const std::string line = FittedProgressLine(done, total, seconds, columns);
        // Blanks over what a longer line before left, short of the last column.
        const size_t shown = TextColumns(line);
        const size_t clear = std::min(barColumns_, static_cast<size_t>(std::max(columns - 1, 0)));
        std::cerr << "\r" << line << std::string(clear > shown ? clear - shown : 0, ' ')
                  << std::flush;
        barColumns_ = shown;
        barShown_ = true;
        return;
    }
    const int decile = ProgressDecile(done, total);
    if (decile > lastDecile_) {
        lastDecile_ = decile;
        std::cerr << ProgressPlainLine(done, total) << "\n";
    }
}

void CliObserver::StatusText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (json_) {
        std::cout << JsonLine({{"event", "status"}, {"text", text}}) << std::endl;
    } else if (!quiet_) {
        if (barShown_)
            std::cerr << "\n";
        barShown_ = false;
        barColumns_ = 0;
        std::cerr << text << "\n";
    }
}

void CliObserver::JobFinished() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (barShown_)
        std::cerr << "\n";
    barShown_ = false;
    barColumns_ = 0;
}
