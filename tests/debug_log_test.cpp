#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "debug_log.h"
#include "recording_log.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Timestamp, HasTwentyThreeCharactersInTheLogLayout) {
    const std::string stamp = FormatTimestamp(FixedLogTime());
    EXPECT_EQ(stamp, " 26-12-08 09:05:07 042 ");
    EXPECT_EQ(stamp.size(), 23u);
    LogTime late{1999, 11, 30, 23, 59, 58, 999};
    EXPECT_EQ(FormatTimestamp(late), " 99-11-30 23:59:58 999 ");
}

TEST(HexDump, FourBytesGiveOnePaddedLine) {
    const uint8_t bytes[] = {0x03, 0xFF, 0x20, 0x00};
    const auto lines = HexDumpLines(bytes, 4);
    ASSERT_EQ(lines.size(), 1u);
    const std::string expected =
        "    03 FF 20 00 " + std::string(42, ' ') + "    ; \xFF  " + std::string(12, ' ');
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(lines[0].size(), 79u);
    EXPECT_EQ(lines[0][62], ';');
}

TEST(HexDump, LineCountsAndLayoutForZeroSixteenAndSeventeenBytes) {
    uint8_t bytes[17];
    for (int i = 0; i < 17; ++i)
        bytes[i] = static_cast<uint8_t>(0x30 + i);
    EXPECT_TRUE(HexDumpLines(bytes, 0).empty());

    const auto sixteen = HexDumpLines(bytes, 16);
    ASSERT_EQ(sixteen.size(), 1u);
    EXPECT_EQ(sixteen[0],
              "    30 31 32 33 34 35 36 37    38 39 3A 3B 3C 3D 3E 3F        ;0123456789:;<=>?");

    const auto seventeen = HexDumpLines(bytes, 17);
    ASSERT_EQ(seventeen.size(), 2u);
    EXPECT_EQ(seventeen[0], sixteen[0]);
    EXPECT_EQ(seventeen[1], "    40 " + std::string(51, ' ') + "    ;@" + std::string(15, ' '));
    for (const auto& line : seventeen) {
        EXPECT_EQ(line.size(), 79u);
        EXPECT_EQ(line[62], ';');
    }
}

TEST(HexDump, BlanksStandForControlBytesAndSpaceOnly) {
    const uint8_t bytes[] = {0x00, 0x1F, 0x20, 0x21, 0x7F, 0x80, 0xFF};
    const auto lines = HexDumpLines(bytes, sizeof bytes);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(63, 7), std::string("   !\x7F\x80\xFF"));
    EXPECT_EQ(lines[0].substr(4, 21), "00 1F 20 21 7F 80 FF ");
}

TEST(DebugLogFile, SavesCrLfLinesAndReplacesTheOldFile) {
    const fs::path dir = fs::temp_directory_path() / ("debuglog-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "debug.log";
    {
        std::ofstream old(file, std::ios::binary);
        old << "an older and much longer log that must disappear entirely\r\n";
    }
    RecordingLog log;
    log.LogLine("OPEN /dev/pts/7" + log.Timestamp());
    const uint8_t bytes[] = {0x03, 0xFE};
    log.LogHex(bytes, 2);
    log.LogLine("CLOSE " + log.Timestamp());
    std::string error;
    ASSERT_TRUE(log.Save(file.string(), error)) << error;
    const std::string saved = ReadFile(file);
    std::string expected;
    for (const auto& line : log.Lines())
        expected += line + "\r\n";
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(log.Lines().front(), "OPEN /dev/pts/7 26-12-08 09:05:07 042 ");
    EXPECT_EQ(log.Lines().back(), "CLOSE  26-12-08 09:05:07 042 ");

    // Another program's temporary file of the same log is left alone, and
    // none of ours stays behind.
    std::ofstream(dir / "debug.log.tmp") << "another program's";
    log.Clear();
    ASSERT_TRUE(log.Save(file.string(), error));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_EQ(ReadFile(dir / "debug.log.tmp"), "another program's");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove_all(dir);
}

TEST(DebugLogFile, AFolderThatCannotBeWrittenFailsWithAReason) {
    RecordingLog log;
    log.LogLine("x");
    std::string error;
    EXPECT_FALSE(log.Save("/nonexistent-folder/debug.log", error));
    EXPECT_NE(error.find("/nonexistent-folder"), std::string::npos);
}

}  // namespace
