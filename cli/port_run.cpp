#include "port_run.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli_observer.h"
#include "port_display.h"
#include "port_job.h"

namespace {

constexpr int kCheckEveryMs = 50;

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

std::string ResultWord(int code) {
    if (code == kErrorNone)
        return "OK";
    if (code == kErrorStopped)
        return "stopped";
    return "error " + std::to_string(code);
}

SummaryRow RowOf(const PortJob& job) {
    const PortOutcome& outcome = *job.Outcome();
    const CliRequest& request = job.Request();
    SummaryRow row{request.port, ResultWord(outcome.code), outcome.elapsed, "", ""};
    if (request.factory)
        row.serial = request.factory->serialNo;
    if (outcome.code != kErrorNone)
        row.detail = outcome.message;
    else if (request.command == CliCommand::Identify)
        row.detail = outcome.identity;
    return row;
}

// The line a port's display ends with.
std::string EndText(const SummaryRow& row, const PortOutcome& outcome) {
    std::string text = row.result + "  " + Seconds(row.seconds);
    if (!row.serial.empty())
        text += "  serial " + row.serial;
    return text + (outcome.code == kErrorNone ? "" : ": " + outcome.message);
}

nlohmann::json ResultEvent(const PortJob& job) {
    nlohmann::json event = ResultObject(job.Request(), *job.Outcome());
    if (job.Request().factory)
        event["serial"] = job.Request().factory->serialNo;
    return event;
}

DisplayMode ModeOf(const CliRequest& request) {
    if (request.json)
        return DisplayMode::Json;
    if (request.quiet)
        return DisplayMode::Quiet;
#ifdef _WIN32
    // A Windows console may show the redraw's escape sequences as text.
    return DisplayMode::Lines;
#else
    return isatty(STDERR_FILENO) != 0 ? DisplayMode::Terminal : DisplayMode::Lines;
#endif
}

}  // namespace

std::string SummaryTable(const std::vector<SummaryRow>& rows) {
    bool serials = false;
    for (const SummaryRow& row : rows)
        serials = serials || !row.serial.empty();
    std::vector<std::vector<std::string>> cells = {{"PORT", "RESULT", "TIME"}};
    if (serials)
        cells.front().push_back("SERIAL");
    cells.front().push_back("DETAIL");
    for (const SummaryRow& row : rows) {
        std::vector<std::string> line = {row.port, row.result, Seconds(row.seconds)};
        if (serials)
            line.push_back(row.serial);
        line.push_back(row.detail);
        cells.push_back(std::move(line));
    }
    std::vector<size_t> widths(cells.front().size(), 0);
    for (const auto& line : cells) {
        for (size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());
    }
    std::string table;
    for (const auto& line : cells) {
        std::string text;
        for (size_t c = 0; c < line.size(); ++c) {
            text += line[c];
            if (c + 1 < line.size())
                text += std::string(widths[c] - line[c].size() + 2, ' ');
        }
        text.erase(text.find_last_not_of(' ') + 1);
        table += text + "\n";
    }
    return table;
}

int RunPorts(const std::vector<CliRequest>& requests, const TransferInput& input,
             const std::filesystem::path& exeFolder, const std::atomic<bool>& interrupted) {
    const CliRequest& call = requests.front();
    std::vector<std::string> names;
    for (const CliRequest& request : requests)
        names.push_back(request.port);
    PortDisplay display(names, ModeOf(call));  // before the jobs: their observers report here

    std::vector<std::unique_ptr<PortJob>> jobs;
    for (size_t i = 0; i < requests.size(); ++i) {
        jobs.push_back(std::make_unique<PortJob>(
            requests[i], display.ObserverFor(i, EnvironmentOf(requests[i], exeFolder))));
    }
    display.Refresh();
    for (auto& job : jobs)
        job->Start(input);

    std::vector<bool> ended(jobs.size(), false);
    size_t running = jobs.size();
    bool stopAsked = false;
    while (running > 0) {
        if (interrupted && !stopAsked) {
            for (auto& job : jobs)
                job->RequestStop();
            stopAsked = true;
        }
        bool waited = false;
        for (size_t i = 0; i < jobs.size(); ++i) {
            if (ended[i])
                continue;
            // The first running job paces the loop; the others are only tested.
            if (!jobs[i]->WaitDone(waited ? 0 : kCheckEveryMs)) {
                waited = true;
                continue;
            }
            waited = true;
            ended[i] = true;
            --running;
            display.Ended(i, EndText(RowOf(*jobs[i]), *jobs[i]->Outcome()));
            if (call.json)
                display.Json(ResultEvent(*jobs[i]));
        }
        display.Refresh();
    }

    std::vector<SummaryRow> rows;
    int status = 0;
    for (const auto& job : jobs) {
        SayFoundRate(job->Request(), *job->Outcome());  // after the redrawn lines
        rows.push_back(RowOf(*job));
        const int code = job->Outcome()->code;
        if (status == 0 && code != kErrorNone)
            status = code == kErrorStopped ? kExitInterrupted : code;
    }
    if (interrupted)
        status = kExitInterrupted;

    if (call.json) {
        nlohmann::json ports = nlohmann::json::array();
        for (const SummaryRow& row : rows) {
            nlohmann::json entry = {{"port", row.port},
                                    {"result", row.result},
                                    {"elapsed", row.seconds},
                                    {"detail", row.detail}};
            if (!row.serial.empty())
                entry["serial"] = row.serial;
            ports.push_back(std::move(entry));
        }
        display.Json(
            {{"event", "summary"}, {"ok", status == 0}, {"code", status}, {"ports", ports}});
    } else {
        std::cout << SummaryTable(rows) << std::flush;
    }
    if (!call.json) {
        for (const auto& job : jobs)
            SayDebugLog(*job->Outcome(), job->Request().port + ": ");
    }
    for (const auto& job : jobs) {
        const std::string& error = job->Outcome()->logSaveError;
        if (!error.empty() && !call.quiet)
            std::cerr << "printer-cli: warning: " << job->Request().port << ": " << error << "\n";
    }
    return status;
}
