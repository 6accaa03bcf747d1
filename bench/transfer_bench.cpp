// transfer-bench: block transfers and setting jobs through the real worker
// against printer-sim in another process, measured against the line.
//
//   transfer-bench --sim PATH [--out FILE] [--runs N] [--only TEXT] [--smoke]
//
// A bare loop (bench/bare_loop.h) runs the firmware update's commands beside the
// tool: the floor of this machine's pseudo-terminals and scheduler.
//
// For each case: wall time, the wire limit of the frames the printer logged
// (both ways, with the pauses the protocol demands), their ratio, the tool's
// CPU time as a share of the wall time, and the gap the tool left between a
// reply's last byte and the next block's first byte, as the printer saw it.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bare_loop.h"
#include "comm_thread.h"
#include "firmware_check.h"
#include "logo_image.h"
#include "quiet_observer.h"
#include "sim_process.h"
#include "wire_limit.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kLineRate = 9600;

// BareFirmware: the firmware update's commands from the bare loop, the
// machine's floor that the tool's firmware case is set against.
enum class Job { Firmware, BareFirmware, Font, Logo, Settings };

struct Case {
    std::string name;
    Job job;
    size_t bytes = 0;  // of the image or font; settings: the number of jobs
    int32_t transferRate = 115200;
    bool udp = false;
    int latencyMs = 0;  // the printer's USB adapter holds each reply this long
};

struct Result {
    double wallMs = 0;
    double limitMs = 0;  // 0 over UDP: no line
    double efficiency = 0;
    double cpuShare = 0;
    double gapMedianMs = 0;
    double gapWorstMs = 0;
    double blocksPerSecond = 0;
    double gapSumMs = 0;  // all block gaps together
    // Wall time outside the printer's first command and last reply: opening
    // the port, saving the debug log, the thread hand-overs.
    double outsideMs = 0;
    size_t blocks = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

// Eight striped pictures 384 dots wide, composed as the window composes
// them: about `bytes` bytes of logo image.
std::vector<uint8_t> LogoImageOf(size_t bytes) {
    constexpr int kPictures = 8;
    constexpr int kWidth = 384;
    const int64_t rows =
        std::max<int64_t>(1, static_cast<int64_t>(bytes) / kPictures / (kWidth / 8));
    std::vector<LogoPicture> pictures(kPictures);
    for (LogoPicture& p : pictures) {
        p.name = "stripes.bmp";
        p.width = kWidth;
        p.height = rows;
        p.colours.resize(static_cast<size_t>(kWidth * rows));
        for (size_t i = 0; i < p.colours.size(); ++i)
            p.colours[i] = (i / 3) % 2 == 0 ? 0x000000 : 0xFFFFFF;
    }
    return BuildLogoImage(pictures, {int64_t{1} << 30, kWidth}).image;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void FillBluetooth(SettingPayload& payload) {
    const char kName[] = "Bench\0001234";
    payload.Command = kCommandBluetooth;
    payload.Parameter = 0;
    std::memcpy(payload.Data.data(), kName, sizeof kName);
    payload.Length = sizeof kName;
}

// The figures of a run from the printer's log of it.
bool Measure(const fs::path& dir, bool udp, int jobs, double wallMs, double cpu, Result& result,
             std::string& error);

bool RunBareCase(SimProcess& sim, const fs::path& dir, const Case& c, Result& result,
                 std::string& error) {
    std::vector<uint8_t> image = RandomBytes(c.bytes, 1);
    SealFirmwareImage(image);
    const double cpuBefore = CpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    if (!RunBareFirmwareUpdate(sim.Address(), kLineRate, static_cast<uint32_t>(c.transferRate),
                               image, error))
        return false;
    const auto ended = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds() - cpuBefore;
    sim.Stop();
    return Measure(dir, false, 1, std::chrono::duration<double, std::milli>(ended - started).count(),
                   cpu, result, error);
}

bool RunOnce(const std::string& simPath, const Case& c, Result& result, std::string& error) {
    const fs::path dir = fs::temp_directory_path() / ("transfer-bench-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<std::string> args = {"--quiet", "--state-dir", (dir / "printer").string()};
    if (c.udp) {
        args.insert(args.end(), {"--udp", "127.0.0.1:0"});
    } else {
        args.insert(args.end(), {"--pace", "--rate", std::to_string(kLineRate)});
        if (c.latencyMs > 0)
            args.insert(args.end(), {"--latency-ms", std::to_string(c.latencyMs)});
    }
    SimProcess sim;
    if (!sim.Start(simPath, args, error))
        return false;

    QuietObserver observer;
    observer.environment.portRate = kLineRate;
    observer.environment.transferRate = c.transferRate;
    observer.environment.exeFolder = dir.string();
    if (c.udp) {
        const size_t colon = sim.Address().rfind(':');
        observer.environment.portName = "TCP/IP";
        observer.environment.endpoint = {
            sim.Address().substr(0, colon),
            static_cast<uint16_t>(std::stoi(sim.Address().substr(colon + 1)))};
    } else {
        observer.environment.portName = sim.Address();
    }
    if (c.job == Job::BareFirmware)
        return RunBareCase(sim, dir, c, result, error);
    TCommThread worker(observer);
    int jobs = 1;
    uint8_t code = kJobIdentify;
    if (c.job == Job::Firmware) {
        worker.Buffer().bytes = RandomBytes(c.bytes, 1);
        SealFirmwareImage(worker.Buffer().bytes);
        code = kJobFirmwareUpdate;
    } else if (c.job == Job::Font) {
        WriteFile(dir / "font.bin", RandomBytes(c.bytes, 2));
        worker.Downloads() = {{(dir / "font.bin").string(), "font.bin", "$63", "0"}};
        code = kJobDownloadFiles;
    } else if (c.job == Job::Logo) {
        WriteFile(dir / "logo.bin", LogoImageOf(c.bytes));
        worker.Downloads() = {{(dir / "logo.bin").string(), "logo.bin", "45", "0"}};
        code = kJobDownloadFiles;
    } else {
        FillBluetooth(worker.Payload());
        code = kJobSendSetting;
        jobs = static_cast<int>(c.bytes);
    }

    const double cpuBefore = CpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < jobs; ++i) {
        worker.StartJob(code);
        worker.JobDoneEvent().Wait(600'000);
        if (worker.ErrorCode() != kErrorNone) {
            error = c.name + ": error " + std::to_string(worker.ErrorCode()) + ": " +
                    worker.FailureReason();
            return false;
        }
    }
    const auto ended = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds() - cpuBefore;
    sim.Stop();
    return Measure(dir, c.udp, jobs,
                   std::chrono::duration<double, std::milli>(ended - started).count(), cpu, result,
                   error);
}

bool Measure(const fs::path& dir, bool udp, int jobs, double wallMs, double cpu, Result& result,
             std::string& error) {
    const std::vector<LoggedCommand> commands =
        ReadCommandLog((dir / "printer" / "commands.json").string(), error);
    if (commands.empty())
        return false;
    result.wallMs = wallMs;
    result.cpuShare = cpu * 1000.0 / result.wallMs;
    if (!udp) {
        result.limitMs = WireLimitMs(commands, jobs);
        result.efficiency = result.limitMs / result.wallMs;
    }
    const std::vector<double> gaps = BlockGapsMs(commands);
    result.blocks = gaps.empty() ? 0 : gaps.size() + 1;
    result.gapMedianMs = Median(gaps);
    result.gapWorstMs = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    for (double gap : gaps)
        result.gapSumMs += gap;
    if (jobs == 1)
        result.outsideMs = result.wallMs - (commands.back().replyEndMs - commands.front().startMs);
    if (result.blocks > 0)
        result.blocksPerSecond = result.blocks * 1000.0 / result.wallMs;
    fs::remove_all(dir);
    return true;
}

// Each figure is the median of the runs.
Result MedianOf(const std::vector<Result>& runs) {
    auto median = [&](double Result::*field) {
        std::vector<double> values;
        for (const Result& r : runs)
            values.push_back(r.*field);
        return Median(values);
    };
    Result m;
    m.wallMs = median(&Result::wallMs);
    m.limitMs = median(&Result::limitMs);
    m.efficiency = median(&Result::efficiency);
    m.cpuShare = median(&Result::cpuShare);
    m.gapMedianMs = median(&Result::gapMedianMs);
    m.gapWorstMs = median(&Result::gapWorstMs);
    m.blocksPerSecond = median(&Result::blocksPerSecond);
    m.gapSumMs = median(&Result::gapSumMs);
    m.outsideMs = median(&Result::outsideMs);
    m.blocks = runs.front().blocks;
    return m;
}

std::vector<Case> Cases(bool smoke) {
    if (smoke) {
        return {{"firmware 16 KiB", Job::Firmware, 16 << 10},
                {"firmware 16 KiB, bare loop", Job::BareFirmware, 16 << 10},
                {"font 16 KiB", Job::Font, 16 << 10},
                {"logo image 16 KiB", Job::Logo, 16 << 10},
                {"2 settings at 9600", Job::Settings, 2},
                {"firmware 16 KiB, UDP", Job::Firmware, 16 << 10, 115200, true}};
    }
    std::vector<Case> cases = {{"firmware 256 KiB", Job::Firmware, 256 << 10},
                               {"firmware 256 KiB, bare loop", Job::BareFirmware, 256 << 10},
                               {"font 64 KiB", Job::Font, 64 << 10},
                               {"logo image 64 KiB", Job::Logo, 64 << 10},
                               {"20 settings at 9600", Job::Settings, 20},
                               {"firmware 256 KiB, UDP", Job::Firmware, 256 << 10, 115200, true}};
    // What an adapter's latency timer costs a transfer: every block waits
    // for it once.
    for (int latency : {1, 16}) {
        cases.push_back({"font 64 KiB, latency " + std::to_string(latency) + " ms", Job::Font,
                         64 << 10, 115200, false, latency});
    }
    for (int32_t rate : {230400, 460800, 921600}) {
        cases.push_back(
            {"firmware 256 KiB at " + std::to_string(rate), Job::Firmware, 256 << 10, rate});
    }
    return cases;
}

void PrintRow(const std::string& name, const Result& r) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "%-30s %9.0f %9.0f %6.3f %6.2f%% %8.3f %8.3f %8.0f %8.0f %8.0f", name.c_str(),
                  r.wallMs, r.limitMs, r.efficiency, r.cpuShare * 100, r.gapMedianMs, r.gapWorstMs,
                  r.gapSumMs, r.outsideMs, r.blocksPerSecond);
    std::cout << line << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    std::string simPath = "printer-sim";
    std::string outPath;
    int runs = 3;
    bool smoke = false;
    std::string only;  // run the cases whose name holds this text
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sim" && i + 1 < argc) {
            simPath = argv[++i];
        } else if (arg == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (arg == "--smoke") {
            smoke = true;
            runs = 1;
        } else {
            std::cerr << "usage: transfer-bench --sim PATH [--out FILE] [--runs N] [--only TEXT] "
                         "[--smoke]\n";
            return 2;
        }
    }

    std::cout << "case                            wall ms  limit ms  effic.   CPU  gap med  gap max"
                 "  gap sum  outside blocks/s\n";
    nlohmann::json report = nlohmann::json::array();
    std::optional<Result> tool, bare;  // the firmware case and its bare loop
    for (const Case& c : Cases(smoke)) {
        if (!only.empty() && c.name.find(only) == std::string::npos)
            continue;
        std::vector<Result> results;
        for (int run = 0; run < runs; ++run) {
            Result r;
            std::string error;
            if (!RunOnce(simPath, c, r, error)) {
                std::cerr << "transfer-bench: " << error << "\n";
                return 1;
            }
            results.push_back(r);
        }
        const Result m = MedianOf(results);
        PrintRow(c.name, m);
        if (c.job == Job::BareFirmware)
            bare = m;
        else if (c.job == Job::Firmware && !c.udp && c.transferRate == 115200)
            tool = m;
        report.push_back({{"case", c.name},
                          {"transferRate", c.transferRate},
                          {"udp", c.udp},
                          {"runs", runs},
                          {"wallMs", m.wallMs},
                          {"limitMs", m.limitMs},
                          {"efficiency", m.efficiency},
                          {"cpuShare", m.cpuShare},
                          {"blocks", m.blocks},
                          {"blockGapMedianMs", m.gapMedianMs},
                          {"blockGapWorstMs", m.gapWorstMs},
                          {"blocksPerSecond", m.blocksPerSecond},
                          {"blockGapSumMs", m.gapSumMs},
                          {"outsideCommandsMs", m.outsideMs}});
    }
    if (tool && bare) {
        // Efficiencies, not wall times: the tool also identifies the printer,
        // which the bare loop leaves out. The machine's share is in both.
        const double ratio = tool->efficiency / bare->efficiency;
        std::printf("firmware update: the tool's efficiency is %.3f of the bare loop's "
                    "(%.3f against %.3f)\n",
                    ratio, tool->efficiency, bare->efficiency);
        report.push_back({{"case", "tool against the bare loop"},
                          {"efficiencyRatio", ratio},
                          {"toolEfficiency", tool->efficiency},
                          {"bareEfficiency", bare->efficiency}});
    }
    if (!outPath.empty()) {
        fs::create_directories(fs::path(outPath).parent_path());
        std::ofstream(outPath) << report.dump(2) << "\n";
    }
    return 0;
}
