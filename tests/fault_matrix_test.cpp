// Every job against every way a printer can misbehave: each cell ends within
// its bound, with the expected code and a reason naming the step, the port
// released, and no descriptor or thread left behind.
#include <dirent.h>

#include <gtest/gtest.h>

#include <chrono>

#include "firmware_check.h"
#include "logo_image.h"
#include "worker_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

size_t CountEntries(const char* folder) {
    size_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

enum class Job { Setting, Font, Logo, Firmware };

const char* JobName(Job job) {
    switch (job) {
        case Job::Setting:
            return "setting";
        case Job::Font:
            return "font";
        case Job::Logo:
            return "logo";
        default:
            return "firmware";
    }
}

struct Fault {
    const char* name;
    SimFaults faults;
    uint32_t printerRate = 9600;
    // The expected code of the setting job and of the three transfers.
    uint8_t settingCode;
    uint8_t transferCode;
    const char* reason;  // a part of the failure reason; empty when none
    int boundMs;         // the waits the cell may sit out, with a margin
};

const Fault kFaults[] = {
    {"noise before replies", {.noiseBytes = 7}, 9600, kErrorNone, kErrorNone, "", 8000},
    {"bad header check",
     {.badHeaderCheck = true},
     9600,
     kErrorNoReply,
     kErrorNoReply,
     "a reply with a bad header check to the identify query",
     4000},
    {"bad data check",
     {.badDataCheck = true},
     9600,
     kErrorNoReply,
     kErrorNoReply,
     "a reply with a bad data check to the identify query",
     4000},
    // The second command: the setting is sent again; a transfer's rate
    // command has one try, so the transfer goes on at the line rate.
    {"second command unanswered", {.silentNth = 2}, 9600, kErrorNone, kErrorNone, "", 12000},
    {"replies later than the wait",
     {.replyDelayMs = 700},
     9600,
     kErrorNoReply,
     kErrorNoReply,
     "no reply to the identify query",
     4000},
    {"rate change refused", {.refuseRate = 115200}, 9600, kErrorNone, kErrorNone, "", 12000},
    {"foreign identity",
     {.identity = "ZDV 7700"},
     9600,
     kErrorIdentity,
     kErrorIdentity,
     "not a supported printer",
     4000},
    {"line hung up in a transfer",
     {.hangUpAfterBlocks = 1},
     9600,
     kErrorNone,
     kErrorNoReply,
     "after 1 try: the line hung up",
     4000},
    {"printer at another rate",
     {},
     19200,
     kErrorNoReply,
     kErrorNoReply,
     "no reply to the identify query",
     4000},
};

struct FaultMatrix : WorkerFixture {
    std::string font;
    std::string logo;
    Bytes image;

    void SetUp() override {
        WorkerFixture::SetUp();
        Bytes bytes(600);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 11);
        font = (folder / "font.bin").string();
        std::ofstream(font, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), 600);
        LogoPicture picture{"mark.bmp", 384, 30, std::vector<uint32_t>(384 * 30, 0)};
        const Bytes composed = BuildLogoImage(std::span(&picture, 1), {}).image;
        logo = (folder / "logo.bin").string();
        std::ofstream(logo, std::ios::binary)
            .write(reinterpret_cast<const char*>(composed.data()),
                   static_cast<std::streamsize>(composed.size()));
        image = bytes;
        image.resize(1000, 0x5A);
        SealFirmwareImage(image);
    }

    uint8_t Start(Job job) {
        switch (job) {
            case Job::Setting:
                FillBluetooth("Till", "1234");
                return kJobSendSetting;
            case Job::Font:
                worker->Downloads() = {{font, "font.bin", "$63", "0"}};
                return kJobDownloadFiles;
            case Job::Logo:
                worker->Downloads() = {{logo, "logo.bin", "45", "0"}};
                return kJobDownloadFiles;
            default:
                worker->Buffer().bytes = image;
                return kJobFirmwareUpdate;
        }
    }
};

TEST_F(FaultMatrix, EveryJobAgainstEveryFault) {
    Run(42);  // one job first, so that the worker's own descriptors are all open
    const size_t descriptors = CountEntries("/proc/self/fd");
    const size_t threads = CountEntries("/proc/self/task");
    for (const Fault& fault : kFaults) {
        for (Job job : {Job::Setting, Job::Font, Job::Logo, Job::Firmware}) {
            SCOPED_TRACE(std::string(JobName(job)) + " / " + fault.name);
            {
                VirtualPrinter device(SimOptions{.rate = fault.printerRate});
                device.SetFaults(fault.faults);
                std::string error;
                ASSERT_TRUE(device.StartPty(error)) << error;
                observer.environment.portName = device.SlavePath();
                observer.environment.portRate = 9600;
                const uint8_t code = Start(job);
                const auto started = std::chrono::steady_clock::now();
                const uint8_t result = Run(code);
                const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - started)
                                        .count();
                const uint8_t expected =
                    job == Job::Setting ? fault.settingCode : fault.transferCode;
                EXPECT_EQ(result, expected) << worker->FailureReason();
                if (expected != kErrorNone) {
                    EXPECT_NE(worker->FailureReason().find(fault.reason), std::string::npos)
                        << worker->FailureReason();
                }
                EXPECT_LT(tookMs, fault.boundMs);
                // The port was let go: it opens again at once.
                if (device.Running()) {
                    TMyUart again;
                    EXPECT_TRUE(again.Open(device.SlavePath(), 9600)) << again.LastError();
                }
            }
            EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
            EXPECT_EQ(CountEntries("/proc/self/task"), threads);
        }
    }
}

}  // namespace
