#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <vector>

#include "frame.h"
#include "printer_device.h"
#include "sim_command_line.h"
#include "sim_faults.h"
#include "sim_settings.h"

namespace {

using Bytes = std::vector<uint8_t>;

CommandFrameIn Cmd(uint16_t code, uint32_t parameter, Bytes data = {}) {
    CommandFrameIn c;
    c.code = code;
    c.parameter = parameter;
    c.data = std::move(data);
    return c;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

const Bytes kQuery = Text("DEVICE??");

// A sound firmware image of `size` bytes: its length at offset 4, words
// adding up to 0.
Bytes FirmwareImage(size_t size) {
    Bytes image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 1);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            image[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(4, static_cast<uint32_t>(size));
    put(8, 0);
    uint32_t sum = 0;
    for (size_t i = 0; i + 4 <= size; i += 4)
        sum += FrameU32(image.data() + i);
    put(8, 0u - sum);
    return image;
}

// Sends `image` as the update job does: 256-byte blocks, the last filled
// with 0xFF.
void SendFirmware(PrinterDevice& device, const Bytes& image) {
    for (size_t offset = 0; offset < image.size(); offset += 256) {
        Bytes block(256, 0xFF);
        const size_t n = std::min<size_t>(256, image.size() - offset);
        std::copy_n(image.begin() + static_cast<long>(offset), n, block.begin());
        ASSERT_TRUE(device.Handle(Cmd(0x2E, static_cast<uint32_t>(offset), block)).answered);
    }
}

TEST(SimDevice, IdentifiesOnlyToTheQueryText) {
    PrinterDevice device("ZDV 7714", 9600, 0x2D);
    const DeviceAnswer a = device.Handle(Cmd(0x20, 0, kQuery));
    EXPECT_TRUE(a.answered);
    EXPECT_EQ(a.replyData, Text("ZDV 7714"));
    EXPECT_EQ(device.Handle(Cmd(0x20, 0, kQuery), std::string("ZDV 77XX")).replyData,
              Text("ZDV 77XX"));
    const DeviceAnswer wrong = device.Handle(Cmd(0x20, 0, Text("DEVICE?")));
    EXPECT_FALSE(wrong.answered);
    EXPECT_FALSE(wrong.note.empty());
}

TEST(SimDevice, ARateChangeIsTakenAfterTheReplyAndOnlyForItsOwnRates) {
    PrinterDevice device("ZDV 7714", 9600, 0x2D);
    const DeviceAnswer a = device.Handle(Cmd(0x2B, 115200));
    EXPECT_TRUE(a.answered);
    ASSERT_TRUE(a.newRate.has_value());
    EXPECT_EQ(*a.newRate, 115200u);
    EXPECT_EQ(device.Rate(), 9600u);  // the caller switches once the reply is out
    for (uint32_t odd : {0u, 12345u, 4000000u}) {
        const DeviceAnswer refused = device.Handle(Cmd(0x2B, odd));
        EXPECT_FALSE(refused.answered) << odd;
        EXPECT_FALSE(refused.newRate.has_value());
    }
}

TEST(SimDevice, StoresBlocksOnlyInTheirModeAtTheirAddresses) {
    PrinterDevice device("ZDV 7714", 9600, 0x44);
    EXPECT_FALSE(device.Handle(Cmd(0x63, 0, Bytes(256, 1))).answered);  // normal mode
    ASSERT_TRUE(device.Handle(Cmd(0x2F, 1)).answered);
    EXPECT_EQ(device.Mode(), SimMode::Download);
    EXPECT_FALSE(device.Handle(Cmd(0x2E, 0, Bytes(256, 1))).answered);  // firmware needs update
    ASSERT_TRUE(device.Handle(Cmd(0x63, 0x100, Bytes(88, 0xAB))).answered);
    ASSERT_TRUE(device.Handle(Cmd(0x63, 0, Bytes(256, 0x01))).answered);
    ASSERT_TRUE(device.Handle(Cmd(0x44, 0x10, Bytes{1, 2, 3})).answered);
    // 0x2D is an unknown command when the logo command is 0x44: acknowledged, not stored.
    EXPECT_TRUE(device.Handle(Cmd(0x2D, 0, Bytes{9})).answered);

    const auto& memory = device.Memory();
    ASSERT_EQ(memory.size(), 2u);
    const Bytes& font = memory.at(0x63);
    ASSERT_EQ(font.size(), 0x100u + 88);
    EXPECT_EQ(font[0], 0x01);
    EXPECT_EQ(font[0xFF], 0x01);
    EXPECT_EQ(font[0x100], 0xAB);
    const Bytes& logo = memory.at(0x44);
    EXPECT_EQ(logo, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}));

    EXPECT_FALSE(device.Handle(Cmd(0x63, kSimMemorySize - 2, Bytes(3, 0))).answered);
    EXPECT_TRUE(device.Handle(Cmd(0x63, kSimMemorySize - 3, Bytes(3, 0))).answered);
    EXPECT_FALSE(device.Handle(Cmd(0x63, 0, {})).answered);
}

TEST(SimDevice, EndOfUpdateAnswersOnlyForASoundImage) {
    PrinterDevice device("ZDV 7714", 9600, 0x2D);
    EXPECT_FALSE(device.Handle(Cmd(0x2F, 0xFFFFFFFF)).answered);  // not in update mode

    const Bytes image = FirmwareImage(1000);  // four blocks, the last filled
    ASSERT_TRUE(device.Handle(Cmd(0x2F, 0)).answered);
    SendFirmware(device, image);
    EXPECT_EQ(device.Memory().at(0x2E).size(), 1024u);
    device.SetRate(115200);
    const DeviceAnswer accepted = device.Handle(Cmd(0x2F, 0xFFFFFFFF));
    EXPECT_TRUE(accepted.answered);
    EXPECT_EQ(accepted.newRate, 9600u);  // restarted at its power-up rate
    EXPECT_TRUE(device.FirmwareAccepted());
    EXPECT_EQ(device.Mode(), SimMode::Normal);

    // A new update starts from nothing: one block missing spoils the sum.
    ASSERT_TRUE(device.Handle(Cmd(0x2F, 0)).answered);
    EXPECT_FALSE(device.FirmwareAccepted());
    EXPECT_TRUE(device.Memory().find(0x2E) == device.Memory().end());
    Bytes partial(image.begin(), image.begin() + 768);
    SendFirmware(device, partial);
    const DeviceAnswer refused = device.Handle(Cmd(0x2F, 0xFFFFFFFF));
    EXPECT_FALSE(refused.answered);
    EXPECT_NE(refused.note.find("firmware"), std::string::npos) << refused.note;
    EXPECT_FALSE(device.FirmwareAccepted());
    EXPECT_EQ(device.Mode(), SimMode::Update);

    // Sending the rest completes it.
    SendFirmware(device, image);
    EXPECT_TRUE(device.Handle(Cmd(0x2F, 0xFFFFFFFF)).answered);
    EXPECT_FALSE(device.Handle(Cmd(0x2F, 2)).answered);
}

TEST(SimDevice, DecodesTheFourSettingsFieldByField) {
    PrinterDevice device("ZDV 7714", 9600, 0x2D);
    const Bytes para{0x00, 0x00, 0x25, 0x80, 0x10, 0x01, 0x00, 0x01,
                     0x32, 0x00, 0x00, 0x00, 0xC8, 0x00, 0xC8, 0x01};
    ASSERT_TRUE(device.Handle(Cmd(0x60, 0, para)).answered);
    ASSERT_TRUE(device.Handle(Cmd(0x61, 0, Bytes{'A', 'B', 0, 0})).answered);
    ASSERT_TRUE(device.Handle(Cmd(0x62, 0, Bytes{0x00, 0x01, 0xC2, 0x00, 0x00, 0, 0, 0})).answered);
    ASSERT_TRUE(device.Handle(Cmd(0x64, 0, Bytes{'M', '1', 0, '0', '0', '7'})).answered);
    const SimSettings& s = device.Settings();
    ASSERT_TRUE(s.print && s.bluetooth && s.infrared && s.factory);
    EXPECT_EQ(s.print->rate, 9600u);
    EXPECT_EQ(s.print->codePage, 16);
    EXPECT_EQ(s.print->density, 1);
    EXPECT_EQ(s.print->font, 0);
    EXPECT_EQ(s.print->lineEnd, 1);
    EXPECT_EQ(s.print->idleSeconds, 50);
    EXPECT_EQ(s.print->offSeconds, 0);
    EXPECT_EQ(s.print->maxFeedMm, 200);
    EXPECT_EQ(s.print->pageLengthMm, 0x1C8);
    EXPECT_EQ(s.bluetooth->name, "AB");
    EXPECT_EQ(s.bluetooth->pin, "");
    EXPECT_EQ(s.infrared->rate, 115200u);
    EXPECT_EQ(s.infrared->protocol, 0);
    EXPECT_EQ(s.factory->model, "M1");
    EXPECT_EQ(s.factory->serial, "007");
}

TEST(SimDevice, RefusesSettingsWithoutTheirLayoutAndKeepsTheOldValue) {
    PrinterDevice device("ZDV 7714", 9600, 0x2D);
    ASSERT_TRUE(device.Handle(Cmd(0x61, 0, Bytes{'A', 0, '1', 0})).answered);
    const std::vector<CommandFrameIn> wrong = {
        Cmd(0x60, 0, Bytes(15, 0)),                         // one byte short
        Cmd(0x61, 0, Bytes{'A', 0, '1'}),                   // PIN not ended
        Cmd(0x61, 0, Bytes{'A', 0, '1', 0, 0}),             // a third text
        Cmd(0x62, 0, Bytes{0, 0, 0x25, 0x80, 0, 0, 1, 0}),  // reserved byte set
        Cmd(0x64, 0, Bytes{'M', '1', '0', '0'}),            // no separator
        Cmd(0x64, 0, Bytes{'M', 0, '0', 0}),                // serial ended too
    };
    for (const CommandFrameIn& c : wrong) {
        const DeviceAnswer a = device.Handle(c);
        EXPECT_FALSE(a.answered) << std::hex << c.code << " " << c.data.size();
        EXPECT_FALSE(a.note.empty());
    }
    EXPECT_EQ(device.Settings().bluetooth->name, "A");
    EXPECT_FALSE(device.Settings().print.has_value());
    // Two empty texts and an empty model name are layouts too.
    EXPECT_TRUE(device.Handle(Cmd(0x61, 0, Bytes{0, 0})).answered);
    EXPECT_TRUE(device.Handle(Cmd(0x64, 0, Bytes{0, '9'})).answered);
    EXPECT_EQ(device.Settings().factory->model, "");
}

// The first code above the factory identity that means nothing to the
// printer, however many commands are added.
uint16_t FreeCode() {
    uint16_t code = 0x65;
    while (IsTakenCommandCode(code))
        ++code;
    return code;
}

TEST(SimDevice, AnUnknownCommandIsAnsweredOnlyAsADownloadBlock) {
    struct Case {
        const char* what;
        std::optional<uint32_t> mode;  // the mode command's parameter, if any
        uint16_t code;
        bool answered;
        bool unknown;
    };
    const Case cases[] = {
        {"a free code", std::nullopt, FreeCode(), false, true},
        {"code 0", std::nullopt, 0x0000, false, true},
        {"the last code", std::nullopt, 0xFFFF, false, true},
        {"a free code in update mode", 0, FreeCode(), false, true},
        {"a free code in download mode", 1, FreeCode(), true, false},
        {"a font block outside its mode", std::nullopt, 0x63, false, false},
        {"a logo block outside its mode", std::nullopt, 0x2D, false, false},
    };
    for (const Case& c : cases) {
        PrinterDevice device("ZDV 7714", 9600, 0x2D);
        if (c.mode) {
            ASSERT_TRUE(device.Handle(Cmd(0x2F, *c.mode)).answered) << c.what;
        }
        const DeviceAnswer a = device.Handle(Cmd(c.code, 0, Bytes{'M', 0, '7'}));
        EXPECT_EQ(a.answered, c.answered) << c.what;
        EXPECT_EQ(a.unknown, c.unknown) << c.what;
        EXPECT_EQ(a.note.empty(), c.answered) << c.what;
        EXPECT_TRUE(device.Memory().empty()) << c.what;  // a foreign block is not kept
    }
}

// Each setting command writes its own setting and no other; a code without a
// row writes none, whatever its payload would decode to.
TEST(SimDevice, EverySettingCommandStoresOnlyItsOwnSetting) {
    const std::map<uint16_t, Bytes> validPayloads = {
        {0x60, Bytes(16, 1)},
        {0x61, Bytes{'A', 0, '1', 0}},
        {0x62, Bytes{0, 0, 0x25, 0x80, 0, 0, 0, 0}},
        {0x64, Bytes{'M', 0, '7'}},
    };
    ASSERT_EQ(SimSettingCommands().size(), validPayloads.size());
    for (const SimSettingCommand& row : SimSettingCommands()) {
        ASSERT_TRUE(validPayloads.contains(row.code)) << std::hex << row.code;
        EXPECT_TRUE(IsTakenCommandCode(row.code)) << row.name;
        PrinterDevice device("ZDV 7714", 9600, 0x2D);
        ASSERT_TRUE(device.Handle(Cmd(row.code, 0, validPayloads.at(row.code))).answered);
        for (const SimSettingCommand& other : SimSettingCommands())
            EXPECT_EQ(other.write(device.Settings()).is_null(), &other != &row)
                << row.name << " wrote " << other.name;
    }
    for (const uint32_t mode : {0u, 1u}) {
        PrinterDevice device("ZDV 7714", 9600, 0x2D);
        ASSERT_TRUE(device.Handle(Cmd(0x2F, mode)).answered);
        for (const auto& [code, payload] : validPayloads)
            device.Handle(Cmd(FreeCode(), 0, payload));
        for (const SimSettingCommand& row : SimSettingCommands())
            EXPECT_TRUE(row.write(device.Settings()).is_null()) << row.name << " mode " << mode;
    }
}

TEST(SimFaultRules, EachFaultPicksItsCommand) {
    SimFaults f;
    EXPECT_EQ(DecideSimFault(f, 1, 0, 0x20, 0, false).action, SimFaultAction::Proceed);
    f.silentNth = 3;
    EXPECT_EQ(DecideSimFault(f, 2, 0, 0x20, 0, false).action, SimFaultAction::Proceed);
    EXPECT_EQ(DecideSimFault(f, 3, 0, 0x20, 0, false).action, SimFaultAction::Silence);
    EXPECT_EQ(DecideSimFault(f, 4, 0, 0x20, 0, false).action, SimFaultAction::Proceed);
    f = {};
    f.silentCommand = 0x61;
    EXPECT_EQ(DecideSimFault(f, 1, 0, 0x61, 0, false).action, SimFaultAction::Silence);
    EXPECT_EQ(DecideSimFault(f, 2, 0, 0x60, 0, false).action, SimFaultAction::Proceed);
    f = {};
    f.refuseRate = 115200;
    EXPECT_EQ(DecideSimFault(f, 1, 0, 0x2B, 115200, false).action, SimFaultAction::Silence);
    EXPECT_EQ(DecideSimFault(f, 1, 0, 0x2B, 57600, false).action, SimFaultAction::Proceed);
    EXPECT_EQ(DecideSimFault(f, 1, 0, 0x63, 115200, true).action, SimFaultAction::Proceed);
    f = {};
    f.hangUpAfterBlocks = 2;
    EXPECT_EQ(DecideSimFault(f, 5, 1, 0x63, 0, true).action, SimFaultAction::Proceed);
    EXPECT_EQ(DecideSimFault(f, 5, 2, 0x2F, 0, false).action, SimFaultAction::Proceed);
    const SimFaultDecision d = DecideSimFault(f, 5, 2, 0x63, 0, true);
    EXPECT_EQ(d.action, SimFaultAction::HangUp);
    EXPECT_FALSE(d.note.empty());
}

TEST(SimFaultRules, ReplyFaultsSpoilExactlyTheirPart) {
    const Bytes data = Text("ZDV 7714");
    const Bytes reply = BuildReplyFrame(0x20, 0, data.data(), 8);
    EXPECT_EQ(ShapeReply({}, reply, 1), reply);

    SimFaults header;
    header.badHeaderCheck = true;
    Bytes shaped = ShapeReply(header, reply, 1);
    EXPECT_NE(XorBytes(shaped.data(), 11), 0);
    EXPECT_EQ(shaped[11], reply[11]);

    SimFaults dataCheck;
    dataCheck.badDataCheck = true;
    shaped = ShapeReply(dataCheck, reply, 1);
    EXPECT_EQ(XorBytes(shaped.data(), 11), 0);
    EXPECT_NE(shaped[11] ^ XorBytes(shaped.data() + 12, 8), 0);

    SimFaults noise;
    noise.noiseBytes = 500;
    shaped = ShapeReply(noise, reply, 7);
    ASSERT_EQ(shaped.size(), 500 + reply.size());
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), shaped.begin() + 500));
    EXPECT_EQ(std::count(shaped.begin(), shaped.begin() + 500, kFrameStart), 0);
    EXPECT_NE(ShapeReply(noise, reply, 8), shaped);  // the seed varies the noise
}

TEST(SimCommandLineParse, ReadsEveryOptionAndFault) {
    SimCommandLine line;
    std::string error;
    ASSERT_TRUE(ParseSimCommandLine({"--identity",   "ZDV 77XX",
                                     "--rate",       "115200",
                                     "--pace",       "--erase-ms",
                                     "40",           "--latency-ms",
                                     "16",           "--logo-command",
                                     "0x44",         "--state-dir",
                                     "/tmp/s",       "--link",
                                     "/tmp/printer", "--quiet",
                                     "--fault",      "silent-nth=3",
                                     "--fault",      "silent-command=0x61",
                                     "--fault",      "bad-header",
                                     "--fault",      "bad-data",
                                     "--fault",      "noise=12",
                                     "--fault",      "delay=500",
                                     "--fault",      "identity=ABC",
                                     "--fault",      "refuse-rate=57600",
                                     "--fault",      "hang-up-after=4",
                                     "--fault",      "answer-unknown"},
                                    line, error))
        << error;
    EXPECT_EQ(line.options.identity, "ZDV 77XX");
    EXPECT_EQ(line.options.rate, 115200u);
    EXPECT_TRUE(line.options.pace);
    EXPECT_EQ(line.options.eraseMs, 40);
    EXPECT_EQ(line.options.latencyMs, 16);
    EXPECT_EQ(line.options.logoCommand, 0x44);
    EXPECT_EQ(line.options.stateDir, "/tmp/s");
    EXPECT_EQ(line.linkPath, "/tmp/printer");
    EXPECT_TRUE(line.quiet);
    EXPECT_EQ(line.faults.silentNth, 3);
    EXPECT_EQ(line.faults.silentCommand, 0x61);
    EXPECT_TRUE(line.faults.badHeaderCheck);
    EXPECT_TRUE(line.faults.badDataCheck);
    EXPECT_EQ(line.faults.noiseBytes, 12);
    EXPECT_EQ(line.faults.replyDelayMs, 500);
    EXPECT_EQ(line.faults.identity, "ABC");
    EXPECT_EQ(line.faults.refuseRate, 57600u);
    EXPECT_EQ(line.faults.hangUpAfterBlocks, 4);
    EXPECT_TRUE(line.faults.answerUnknown);

    SimCommandLine udp;
    ASSERT_TRUE(ParseSimCommandLine({"--udp", "127.0.0.1:0"}, udp, error)) << error;
    ASSERT_TRUE(udp.udp.has_value());
    EXPECT_EQ(udp.udp->host, "127.0.0.1");
    EXPECT_EQ(udp.udp->port, 0);
}

TEST(SimCommandLineParse, RejectsWrongArgumentsWithAReason) {
    const std::vector<std::vector<std::string>> wrong = {
        {"--rate", "12345"},
        {"--rate", "96OO"},
        {"--rate"},
        {"--erase-ms", "-5"},
        {"--latency-ms", "256"},
        {"--logo-command", "0x2E"},
        {"--logo-command", "0x10000"},
        {"--udp", "9100"},
        {"--udp", "localhost:99999"},
        {"--fault", "silent-nth"},
        {"--fault", "bad-header=1"},
        {"--fault", "unknown=1"},
        {"--fault", "answer-unknown=1"},
        {"--fault", "noise=70000"},
        {"--identity", ""},
        {"--udp", "127.0.0.1:1", "--link", "/tmp/x"},
        {"--verbose"},
    };
    for (const auto& args : wrong) {
        SimCommandLine line;
        std::string error;
        EXPECT_FALSE(ParseSimCommandLine(args, line, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

}  // namespace
