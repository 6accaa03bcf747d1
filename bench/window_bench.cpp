// window-bench: does the window stay live during a long transfer? A 10 ms
// timer runs while PROGRAM writes a firmware image into printer-sim (paced);
// the worst lateness of its ticks is what a user would feel as a stall.
//
//   window-bench --sim PATH [--kib N] [--out FILE]
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>

#include "firmware_check.h"
#include "sim_process.h"
#include "window_harness.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string simPath = "printer-sim";
    std::string outPath;
    size_t kib = 256;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--sim")
            simPath = argv[i + 1];
        else if (arg == "--kib")
            kib = static_cast<size_t>(std::max(1, std::atoi(argv[i + 1])));
        else if (arg == "--out")
            outPath = argv[i + 1];
    }

    SimProcess sim;
    std::string error;
    if (!sim.Start(simPath, {"--pace", "--quiet"}, error)) {
        std::cerr << "window-bench: " << error << "\n";
        return 1;
    }
    WindowHarness harness;
    std::vector<uint8_t> image(kib * 1024);
    std::mt19937 random(7);
    for (uint8_t& b : image)
        b = static_cast<uint8_t>(random());
    SealFirmwareImage(image);
    const fs::path file = harness.Folder() / "firmware.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    harness.WriteIni("");
    harness.Open(QString::fromStdString(sim.Address()));
    harness.fileAnswers = {QString::fromStdString(file.string())};

    constexpr int kTickMs = 10;
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 worstLateMs = 0;
    int ticks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            worstLateMs = std::max(worstLateMs, now - last - kTickMs);
        last = now;
        ++ticks;
    });
    clock.start();
    probe.start(kTickMs);
    harness.Find<QPushButton>("btUpdate")->click();  // returns when the job has ended
    probe.stop();
    const qint64 elapsed = clock.elapsed();
    const bool ok = !harness.messages.empty() && harness.messages.back().text == "OK";
    harness.Close();
    sim.Stop();

    std::cout << "window: " << kib << " KiB firmware in " << elapsed << " ms, " << ticks
              << " ticks of " << kTickMs << " ms, worst lateness " << worstLateMs << " ms"
              << (ok ? "" : " (the update FAILED)") << std::endl;
    if (!outPath.empty()) {
        fs::create_directories(fs::path(outPath).parent_path());
        std::ofstream(outPath) << nlohmann::json{{"kib", kib},
                                                 {"ok", ok},
                                                 {"elapsedMs", elapsed},
                                                 {"ticks", ticks},
                                                 {"worstTimerLatenessMs", worstLateMs}}
                                      .dump(2)
                               << "\n";
    }
    return ok ? 0 : 1;
}
