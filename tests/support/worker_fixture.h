// A worker wired to a virtual printer on a pseudo-terminal or on UDP, with
// its debug log in a folder of its own.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "comm_thread.h"
#include "recording_log.h"
#include "test_observer.h"
#include "virtual_printer.h"

namespace fs = std::filesystem;

inline constexpr int kJobTimeoutMs = 20000;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A worker wired to a virtual printer on a pseudo-terminal, or on UDP.
struct WorkerFixture : ::testing::Test {
    fs::path folder;
    TestObserver observer;
    VirtualPrinter printer;
    std::unique_ptr<TCommThread> worker;

    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("worker-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        observer.environment.exeFolder = folder.string();
        worker = std::make_unique<TCommThread>(observer, FixedLogTime);
    }
    void TearDown() override {
        worker.reset();
        printer.Stop();
        fs::remove_all(folder);
    }

    void UsePty() {
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
        observer.environment.portName = printer.SlavePath();
        observer.environment.portRate = 9600;
    }
    void UseUdp() {
        std::string error;
        ASSERT_TRUE(printer.StartUdp("127.0.0.1", 0, error)) << error;
        observer.environment.portName = "TCP/IP";
        observer.environment.endpoint = {"127.0.0.1", printer.UdpPort()};
    }

    void FillBluetooth(const std::string& name, const std::string& pin) {
        SettingPayload& p = worker->Payload();
        p.Command = 0x61;
        p.Parameter = 0;
        std::memcpy(p.Data.data(), name.data(), name.size());
        p.Data[name.size()] = 0;
        std::memcpy(p.Data.data() + name.size() + 1, pin.data(), pin.size());
        p.Data[name.size() + 1 + pin.size()] = 0;
        p.Length = static_cast<uint32_t>(name.size() + pin.size() + 2);
    }

    // Runs one job to its end and returns its error code.
    uint8_t Run(uint8_t jobCode) {
        EXPECT_TRUE(worker->StartJob(jobCode));
        EXPECT_TRUE(worker->JobDoneEvent().Wait(kJobTimeoutMs)) << "the job did not end";
        EXPECT_EQ(worker->JobCode(), kJobIdle);
        return worker->ErrorCode();
    }

    std::vector<std::string> SavedLog() const { return Lines(ReadFile(folder / "debug.log")); }
};
