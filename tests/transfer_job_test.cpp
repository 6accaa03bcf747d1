// The download and firmware jobs against the virtual printer: the order of
// the link steps, what the printer ends up holding, and every way they fail.
#include <gtest/gtest.h>

#include <numeric>

#include "firmware_check.h"
#include "worker_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kIdentify = 0x20;
constexpr uint16_t kRate = 0x2B;
constexpr uint16_t kMode = 0x2F;
constexpr uint16_t kFont = 0x63;
constexpr uint16_t kFirmware = 0x2E;

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

Bytes SoundImage(size_t size) {
    Bytes image = Pattern(size, 3);
    SealFirmwareImage(image);
    return image;
}

// Code and parameter of each command the printer received.
std::vector<std::pair<uint16_t, uint32_t>> Exchange(const VirtualPrinter& printer) {
    std::vector<std::pair<uint16_t, uint32_t>> commands;
    for (const ReceivedCommand& c : printer.Commands())
        commands.emplace_back(c.code, c.parameter);
    return commands;
}

struct TransferJob : WorkerFixture {
    std::string WriteFile(const std::string& name, const Bytes& bytes) {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    void Download(const std::string& path, const std::string& name, const std::string& command,
                  const std::string& address) {
        worker->Downloads() = {{path, name, command, address}};
    }
};

TEST_F(TransferJob, AFontGoesOutAtTheTransferRateAndTheLinkComesBack) {
    UsePty();
    const Bytes font = Pattern(600, 1);
    Download(WriteFile("font.bin", font), "font.bin", "$63", "0");
    ASSERT_EQ(Run(kJobDownloadFiles), kErrorNone) << worker->FailureReason();

    const std::vector<std::pair<uint16_t, uint32_t>> expected = {
        {kIdentify, 0}, {kRate, 115200}, {kMode, 1},   {kFont, 0},
        {kFont, 0x100}, {kFont, 0x200},  {kRate, 9600}};
    EXPECT_EQ(Exchange(printer), expected);
    EXPECT_EQ(printer.Memory().at(kFont), font);
    EXPECT_EQ(printer.Rate(), 9600u);
    EXPECT_EQ(observer.Status(), std::vector<std::string>{"DOWNLOAD font.bin"});
    ASSERT_FALSE(observer.Progress().empty());
    EXPECT_EQ(observer.Progress().back(), std::make_pair(600, 600));
}

TEST_F(TransferJob, AFirmwareImageEndsWithTheClosingModeCommandAndNoRateBack) {
    UsePty();
    const Bytes image = SoundImage(1000);
    worker->Buffer().bytes = image;
    ASSERT_EQ(Run(kJobFirmwareUpdate), kErrorNone) << worker->FailureReason();

    const std::vector<std::pair<uint16_t, uint32_t>> expected = {
        {kIdentify, 0},     {kRate, 115200},    {kMode, 0},         {kFirmware, 0},
        {kFirmware, 0x100}, {kFirmware, 0x200}, {kFirmware, 0x300}, {kMode, 0xFFFFFFFF}};
    EXPECT_EQ(Exchange(printer), expected);
    const auto commands = printer.Commands();
    EXPECT_EQ(commands[6].data.size(), 256u);
    EXPECT_TRUE(commands[7].data.empty());
    EXPECT_TRUE(printer.FirmwareAccepted());
    EXPECT_EQ(observer.Progress().back(), std::make_pair(1000, 1000));
}

TEST_F(TransferJob, AtTheTransferRateNoRateCommandIsSent) {
    std::string error;
    VirtualPrinter fast(SimOptions{.rate = 115200});
    ASSERT_TRUE(fast.StartPty(error)) << error;
    observer.environment.portName = fast.SlavePath();
    observer.environment.portRate = 115200;
    Download(WriteFile("font.bin", Pattern(10, 2)), "font.bin", "$63", "0");
    ASSERT_EQ(Run(kJobDownloadFiles), kErrorNone) << worker->FailureReason();
    for (const auto& [code, parameter] : Exchange(fast))
        EXPECT_NE(code, kRate);
    worker->Buffer().bytes = SoundImage(300);
    ASSERT_EQ(Run(kJobFirmwareUpdate), kErrorNone) << worker->FailureReason();
    for (const auto& [code, parameter] : Exchange(fast))
        EXPECT_NE(code, kRate);
}

TEST_F(TransferJob, SectorBlocksGetTheLongerWait) {
    // Every block at a multiple of 4096 is answered after 1.1 s: more than
    // the 600 ms of other blocks, less than 1200 and 1800.
    std::string error;
    VirtualPrinter slow(SimOptions{.eraseMs = 1100});
    ASSERT_TRUE(slow.StartPty(error)) << error;
    observer.environment.portName = slow.SlavePath();
    observer.environment.portRate = 9600;
    Download(WriteFile("font.bin", Pattern(300, 5)), "font.bin", "$63", "0");
    EXPECT_EQ(Run(kJobDownloadFiles), kErrorNone) << worker->FailureReason();
    worker->Buffer().bytes = SoundImage(300);
    EXPECT_EQ(Run(kJobFirmwareUpdate), kErrorNone) << worker->FailureReason();
    EXPECT_TRUE(slow.FirmwareAccepted());
}

// A job that fails at one step: its code, the step named in the reason, and
// what the printer saw last.
struct FailureCase {
    const char* name;
    uint8_t job;
    SimFaults faults;
    uint8_t code;
    const char* reason;  // a part of the failure reason
    std::pair<uint16_t, uint32_t> lastCommand;
    size_t commands;
};

TEST_F(TransferJob, EachFailingStepEndsTheJobWithItsCode) {
    const std::string font = WriteFile("font.bin", Pattern(600, 9));
    const FailureCase cases[] = {
        // Identify, rate, the mode command three times, and the rate back.
        {"download mode refused",
         kJobDownloadFiles,
         {.silentCommand = kMode},
         kErrorDownloadMode,
         "did not accept download mode",
         {kRate, 9600},
         6},
        {"update mode refused",
         kJobFirmwareUpdate,
         {.silentCommand = kMode},
         kErrorUpdateMode,
         "did not accept update mode",
         {kRate, 9600},
         6},
        // Identify, rate, mode, then the first block three times; no rate
        // command back.
        {"a font block unanswered",
         kJobDownloadFiles,
         {.silentCommand = kFont},
         kErrorNoReply,
         "font.bin block at 0x00000100",
         {kFont, 0x100},
         6},
        // Identify, rate, mode, four blocks, and the closing command.
        {"the closing command unanswered",
         kJobFirmwareUpdate,
         {.silentNth = 8},
         kErrorNoReply,
         "the end-of-update command",
         {kMode, 0xFFFFFFFF},
         8},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        // A printer of its own: a failed transfer leaves it at the transfer rate.
        VirtualPrinter device;
        device.SetFaults(c.faults);
        std::string error;
        ASSERT_TRUE(device.StartPty(error)) << error;
        observer.environment.portName = device.SlavePath();
        observer.environment.portRate = 9600;
        Download(font, "font.bin", "$63", "$100");
        worker->Buffer().bytes = SoundImage(1000);
        EXPECT_EQ(Run(c.job), c.code);
        EXPECT_NE(worker->FailureReason().find(c.reason), std::string::npos)
            << worker->FailureReason();
        const auto commands = device.Commands();
        ASSERT_EQ(commands.size(), c.commands);
        EXPECT_EQ(std::make_pair(commands.back().code, commands.back().parameter), c.lastCommand);
    }
}

TEST_F(TransferJob, AFailureThatLeavesThePrinterInAModeNamesTheModeAndTheRate) {
    std::string error;
    VirtualPrinter device;
    device.SetFaults({.hangUpAfterBlocks = 1});  // the line goes at the second block
    ASSERT_TRUE(device.StartPty(error)) << error;
    observer.environment.portName = device.SlavePath();
    observer.environment.portRate = 9600;
    worker->Buffer().bytes = SoundImage(1000);
    EXPECT_EQ(Run(kJobFirmwareUpdate), kErrorNoReply);
    EXPECT_NE(worker->FailureReason().find("; the printer is still in update mode at 115200 bit/s"),
              std::string::npos)
        << worker->FailureReason();
    ASSERT_TRUE(worker->LeftBehind().has_value());
    EXPECT_EQ(worker->LeftBehind()->rate, 115200);
    EXPECT_EQ(device.Rate(), 115200u);
}

TEST_F(TransferJob, AStopAtAnyStepBeforeTheFirstBlockLeavesThePrinterAtItsRate) {
    // The stop is asked for while the printer handles the command named: the
    // worker sees it on the reply, before its next step.
    struct Case {
        const char* name;
        uint8_t job;
        std::pair<uint16_t, uint32_t> stopAt;
        std::vector<std::pair<uint16_t, uint32_t>> exchange;
        SimMode mode;
        const char* reason;
    } cases[] = {
        {"before the rate switch",
         kJobDownloadFiles,
         {kIdentify, 0},
         {{kIdentify, 0}},
         SimMode::Normal,
         "stopped before anything was written"},
        {"before the mode command",
         kJobFirmwareUpdate,
         {kRate, 115200},
         {{kIdentify, 0}, {kRate, 115200}, {kRate, 9600}},
         SimMode::Normal,
         "stopped before anything was written"},
        {"before the first block",
         kJobDownloadFiles,
         {kMode, 1},
         {{kIdentify, 0}, {kRate, 115200}, {kMode, 1}, {kRate, 9600}},
         SimMode::Download,
         "stopped before anything was written; the printer is still in download mode at 9600"},
        {"after the first block",
         kJobFirmwareUpdate,
         {kFirmware, 0},
         {{kIdentify, 0}, {kRate, 115200}, {kMode, 0}, {kFirmware, 0}},
         SimMode::Update,
         "interrupted after block 1 of 4 at 0x00000100; the printer is still in update mode at "
         "115200 bit/s"},
    };
    const std::string font = WriteFile("font.bin", Pattern(600, 9));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualPrinter device;
        device.SetCommandObserver([&](const ReceivedCommand& command) {
            if (std::make_pair(command.code, command.parameter) == c.stopAt)
                worker->RequestStop();
        });
        std::string error;
        ASSERT_TRUE(device.StartPty(error)) << error;
        observer.environment.portName = device.SlavePath();
        observer.environment.portRate = 9600;
        Download(font, "font.bin", "$63", "0");
        worker->Buffer().bytes = SoundImage(1000);
        EXPECT_EQ(Run(c.job), kErrorStopped);
        EXPECT_NE(worker->FailureReason().find(c.reason), std::string::npos)
            << worker->FailureReason();
        EXPECT_EQ(Exchange(device), c.exchange);
        EXPECT_EQ(device.Mode(), c.mode);
    }
}

TEST_F(TransferJob, InputThatCannotBeSentIsRefusedBeforeThePrinterIsContacted) {
    UsePty();
    const std::string font = WriteFile("font.bin", Pattern(600, 9));
    struct Case {
        const char* name;
        DownloadList list;
        const char* reason;
    } cases[] = {
        {"missing file", {{(folder / "none.bin").string(), "none.bin", "$63", "0"}}, "none.bin"},
        {"address past the top", {{font, "font.bin", "$63", "$FFFFFF00"}}, "address space"},
        {"code not a number", {{font, "font.bin", "6x3", "0"}}, "'6x3' is not a valid integer"},
        {"empty file",
         {{WriteFile("empty.bin", {}), "empty.bin", "$63", "0"}},
         "empty.bin is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        worker->Downloads() = c.list;
        EXPECT_EQ(Run(kJobDownloadFiles), kErrorBadRequest);
        EXPECT_NE(worker->FailureReason().find(c.reason), std::string::npos)
            << worker->FailureReason();
    }
    Bytes unsound = SoundImage(1000);
    unsound[500] ^= 1;
    worker->Buffer().bytes = unsound;
    EXPECT_EQ(Run(kJobFirmwareUpdate), kErrorBadRequest);
    EXPECT_NE(worker->FailureReason().find("add up"), std::string::npos);
    EXPECT_EQ(printer.CommandCount(), 0u);

    // An entry named "-" is passed over, even without a file behind it.
    worker->Downloads() = {{(folder / "none.bin").string(), "-", "$63", "0"},
                           {font, "font.bin", "99", "$100"}};
    EXPECT_EQ(Run(kJobDownloadFiles), kErrorNone) << worker->FailureReason();
    EXPECT_EQ(observer.Status(), std::vector<std::string>{"DOWNLOAD font.bin"});
    EXPECT_EQ(printer.Memory().at(kFont).size(), 0x100u + 600u);
}

TEST_F(TransferJob, AFasterTransferRateFallsBackTo115200WhenThePrinterIgnoresIt) {
    UsePty();
    const Bytes font = Pattern(600, 4);
    const std::string path = WriteFile("font.bin", font);
    observer.environment.transferRate = 921600;
    Download(path, "font.bin", "$63", "0");
    ASSERT_EQ(Run(kJobDownloadFiles), kErrorNone) << worker->FailureReason();
    EXPECT_EQ(Exchange(printer)[1], std::make_pair(kRate, uint32_t{921600}));
    EXPECT_EQ(Exchange(printer).back(), std::make_pair(kRate, uint32_t{9600}));
    EXPECT_EQ(printer.Memory().at(kFont), font);

    printer.SetFaults({.refuseRate = 921600});
    const size_t before = printer.CommandCount();
    Download(path, "font.bin", "$63", "0");
    ASSERT_EQ(Run(kJobDownloadFiles), kErrorNone) << worker->FailureReason();
    const auto exchange = Exchange(printer);
    EXPECT_EQ(exchange[before + 1], std::make_pair(kRate, uint32_t{921600}));
    EXPECT_EQ(exchange[before + 2], std::make_pair(kRate, uint32_t{115200}));
    EXPECT_EQ(exchange[before + 3], std::make_pair(kMode, uint32_t{1}));
    ASSERT_EQ(observer.Status().size(), 3u);
    EXPECT_EQ(observer.Status()[1],
              "the printer did not take 921600 bit/s; sending at 115200 bit/s");
}

TEST_F(TransferJob, APrinterThatDisappearsEndsTheTransferAtOnce) {
    // The line hangs up at the third block (as an unplugged adapter does):
    // no resend, no later step waits for a reply that cannot come.
    std::string error;
    VirtualPrinter device;
    device.SetFaults({.hangUpAfterBlocks = 2});
    ASSERT_TRUE(device.StartPty(error)) << error;
    observer.environment.portName = device.SlavePath();
    observer.environment.portRate = 9600;
    worker->Buffer().bytes = SoundImage(4096);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(kJobFirmwareUpdate), kErrorNoReply);
    const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
    // One sentence: the block, where, and the line's own words.
    EXPECT_EQ(worker->FailureReason(), "no reply to the firmware block at 0x00000200 on " +
                                           device.SlavePath() +
                                           " at 115200 bit/s after 1 try: the line hung up; the "
                                           "printer is still in update mode at 115200 bit/s");
    // Three tries of a block would wait 1.8 s at least.
    EXPECT_LT(tookMs, 1500);
}

}  // namespace
