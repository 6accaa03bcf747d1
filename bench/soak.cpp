// soak: many jobs in one process against printer-sim in another; the tool's
// resident memory and open descriptors must not grow once it has warmed up.
//
//   soak --sim PATH [--jobs N] [--transfers N]
//
// Measures after the first 100 setting jobs and at the end; exits 1 when the
// memory grew by 1 MiB or more, or a descriptor was left open.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "comm_thread.h"
#include "firmware_check.h"
#include "quiet_observer.h"
#include "sim_process.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWarmUpJobs = 100;
constexpr long kMaxGrowthBytes = 1 << 20;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

bool RunJob(TCommThread& worker, uint8_t job) {
    worker.StartJob(job);
    worker.JobDoneEvent().Wait(600'000);
    if (worker.ErrorCode() == kErrorNone)
        return true;
    std::cerr << "soak: job " << int{job} << " failed: " << worker.FailureReason() << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string simPath = "printer-sim";
    int jobs = 2000;
    int transfers = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--sim")
            simPath = argv[i + 1];
        else if (arg == "--jobs")
            jobs = std::max(kWarmUpJobs, std::atoi(argv[i + 1]));
        else if (arg == "--transfers")
            transfers = std::max(0, std::atoi(argv[i + 1]));
    }
    const fs::path dir = fs::temp_directory_path() / ("soak-" + std::to_string(getpid()));
    fs::create_directories(dir);
    SimProcess sim;
    std::string error;
    if (!sim.Start(simPath, {"--quiet"}, error)) {
        std::cerr << "soak: " << error << "\n";
        return 1;
    }
    QuietObserver observer;
    observer.environment.portName = sim.Address();
    observer.environment.portRate = 9600;
    observer.environment.exeFolder = dir.string();
    TCommThread worker(observer);
    const char kPayload[] =
        "Soak\0"
        "0000";
    worker.Payload().Command = kCommandBluetooth;
    std::memcpy(worker.Payload().Data.data(), kPayload, sizeof kPayload);
    worker.Payload().Length = sizeof kPayload;
    std::vector<uint8_t> image(16 * 1024);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    SealFirmwareImage(image);

    long residentAfterWarmUp = 0;
    int descriptorsAfterWarmUp = 0;
    // The transfers are spread among the setting jobs after the warm-up.
    const int every = transfers > 0 ? std::max(1, (jobs - kWarmUpJobs) / transfers) : 0;
    int transfersDone = 0;
    for (int n = 1; n <= jobs; ++n) {
        if (!RunJob(worker, kJobSendSetting))
            return 1;
        if (n == kWarmUpJobs) {
            residentAfterWarmUp = ResidentBytes();
            descriptorsAfterWarmUp = OpenDescriptors();
        }
        if (n > kWarmUpJobs && every > 0 && transfersDone < transfers &&
            (n - kWarmUpJobs) % every == 0) {
            worker.Buffer().bytes = image;
            if (!RunJob(worker, kJobFirmwareUpdate))
                return 1;
            ++transfersDone;
        }
    }
    const long grown = ResidentBytes() - residentAfterWarmUp;
    const int descriptors = OpenDescriptors() - descriptorsAfterWarmUp;
    sim.Stop();
    fs::remove_all(dir);
    std::printf(
        "soak: %d setting jobs and %d transfers; resident memory %+ld KiB and open "
        "descriptors %+d since job %d\n",
        jobs, transfersDone, grown / 1024, descriptors, kWarmUpJobs);
    return grown < kMaxGrowthBytes && descriptors == 0 ? 0 : 1;
}
