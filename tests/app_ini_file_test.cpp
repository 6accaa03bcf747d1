#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ini_file.h"
#include "ini_storage.h"
#include "window_harness.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AppIniFile, LooksUpLikeTheWindowsProfileFunctions) {
    const IniFile ini = IniFile::Parse(
        "; a comment=with an equals sign\n"
        "top=before any section\n"
        "[Para]\n"
        "  Idle Time =  70  \n"
        "idle time=99\n"
        "# another comment\n"
        "no equals sign here\n"
        "NAME=\" padded \"\n"
        "PIN='1234'\n"
        "EMPTY=\n"
        "[empty section]\n"
        "; only a comment\n"
        "[PARA]\n"
        "LATER=ignored, the first section of a name counts\n");

    EXPECT_EQ(ini.Value("PARA", "IDLE TIME"), "70");
    EXPECT_EQ(ini.Value("para", "idle time"), "70");  // the first key of a name wins
    EXPECT_EQ(ini.Value("PARA", "NAME"), " padded ");
    EXPECT_EQ(ini.Value("PARA", "PIN"), "1234");
    EXPECT_EQ(ini.Value("PARA", "EMPTY"), "");
    EXPECT_EQ(ini.Value("PARA", "LATER"), std::nullopt);
    EXPECT_EQ(ini.Value("PARA", "MISSING"), std::nullopt);
    EXPECT_EQ(ini.Value("", "top"), std::nullopt);
    EXPECT_EQ(ini.KeyNames("para"),
              (std::vector<std::string>{"Idle Time", "idle time", "NAME", "PIN", "EMPTY"}));

    EXPECT_TRUE(ini.SectionExists("PARA"));
    EXPECT_FALSE(ini.SectionExists("EMPTY SECTION"));  // a header alone is no section
    EXPECT_FALSE(ini.SectionExists("NOWHERE"));
}

TEST(AppIniFile, RewritingKeepsWhatTheToolDoesNotOwn) {
    const std::string text =
        "\xEF\xBB\xBF; settings of the service tool\r\n"
        "[VENDOR]\r\n"
        "KEY=kept\r\n"
        "\r\n"
        "[Para]\r\n"
        "; idle time in seconds\r\n"
        "Idle Time=70\r\n"
        "UNKNOWN=also kept\r\n"
        "\r\n"
        "[LOGO]\r\n"
        "; old logos\r\n"
        "FILE1=a.bmp\r\n"
        "SIZE=100\r\n"
        "\r\n"
        "[TAIL]\r\n"
        "X=1\r\n";
    IniFile ini = IniFile::Parse(text);
    EXPECT_EQ(ini.Serialize(), text);  // parsing alone changes nothing

    ini.SetValue("PARA", "IDLE TIME", "80");
    ini.SetValue("PARA", "OFF TIME", "5");
    ini.ClearSection("logo");
    ini.SetValue("LOGO", "SIZE", "65536");
    ini.SetValue("BLUE TOOTH", "PIN", "7264");

    EXPECT_EQ(ini.Serialize(),
              "\xEF\xBB\xBF; settings of the service tool\r\n"
              "[VENDOR]\r\n"
              "KEY=kept\r\n"
              "\r\n"
              "[Para]\r\n"
              "; idle time in seconds\r\n"
              "Idle Time=80\r\n"
              "UNKNOWN=also kept\r\n"
              "OFF TIME=5\r\n"
              "\r\n"
              "[LOGO]\r\n"
              "SIZE=65536\r\n"
              "\r\n"
              "[TAIL]\r\n"
              "X=1\r\n"
              "\r\n"
              "[BLUE TOOTH]\r\n"
              "PIN=7264\r\n");
}

TEST(AppIniFile, StoresValuesSoThatTheyReadBackAsWritten) {
    IniFile ini = IniFile::Parse("");
    ini.SetValue("BLUE TOOTH", "DEVICE NAME", "  two blanks before, one after ");
    ini.SetValue("BLUE TOOTH", "PIN", "'quoted'");
    ini.SetValue("BLUE TOOTH", "LINES", "one\ntwo");
    ini.SetValue("BLUE TOOTH", "EMPTY", "");
    ini.SetValue("BLUE TOOTH", "UTF8",
                 "Gr\xC3\xBC\xC3\x9F"
                 "e");

    const IniFile reread = IniFile::Parse(ini.Serialize());
    EXPECT_EQ(reread.Value("BLUE TOOTH", "DEVICE NAME"), "  two blanks before, one after ");
    EXPECT_EQ(reread.Value("BLUE TOOTH", "PIN"), "'quoted'");
    EXPECT_EQ(reread.Value("BLUE TOOTH", "LINES"), "one two");
    EXPECT_EQ(reread.Value("BLUE TOOTH", "EMPTY"), "");
    EXPECT_EQ(reread.Value("BLUE TOOTH", "UTF8"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(reread.KeyNames("BLUE TOOTH").size(), 5u);
}

TEST(AppIniStorage, ReplacesTheFileWholeOrReportsWhereItCouldNot) {
    WindowHarness harness;  // only for its folder
    const fs::path path = harness.Folder() / "tool.ini";
    const std::string qpath = path.string();
    std::ofstream(path, std::ios::binary) << "[OLD]\nA=1\n";

    std::string error;
    ASSERT_TRUE(StoreIniText(qpath, "[NEW]\nB=2\n", error)) << error;
    EXPECT_EQ(ReadBytes(path), "[NEW]\nB=2\n");
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(harness.Folder()), fs::directory_iterator()), 1);

    const std::string unreachable = (harness.Folder() / "no such folder" / "tool.ini").string();
    EXPECT_FALSE(StoreIniText(unreachable, "[NEW]\n", error));
    EXPECT_EQ(error, "Unable to write to " + NativePathText(unreachable));
}

TEST(AppIniStorage, ReadsLatin1WhereUtf8DoesNotFitAndTellsMissingFromUnreadable) {
    WindowHarness harness;
    const fs::path path = harness.Folder() / "tool.ini";
    std::ofstream(path, std::ios::binary) << "[BLUE TOOTH]\nDEVICE NAME=Caf\xE9\n";
    EXPECT_EQ(ReadIniText(path.string()), "[BLUE TOOTH]\nDEVICE NAME=Caf\xC3\xA9\n");
    EXPECT_EQ(ReadIniText((harness.Folder() / "none.ini").string()), "");
    // There, but no file that can be read.
    EXPECT_EQ(ReadIniText(harness.Folder().string()), std::nullopt);
}

TEST(AppIniStorage, AFileGoesBackInTheEncodingItCameIn) {
    WindowHarness harness;
    const fs::path path = harness.Folder() / "tool.ini";
    const std::string qpath = path.string();
    const std::string latin1 = "; Caf\xE9 du Nord\n[BLUE TOOTH]\nDEVICE NAME=Caf\xE9\n";
    std::ofstream(path, std::ios::binary) << latin1;
    IniEncoding encoding = IniEncoding::Utf8;
    const std::optional<std::string> text = ReadIniText(qpath, &encoding);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(encoding, IniEncoding::SystemCodePage);
    std::string error;
    ASSERT_TRUE(StoreIniText(qpath, *text, error, encoding));
    EXPECT_EQ(ReadBytes(path), latin1);

    // A character Latin-1 has no byte for: the whole file becomes UTF-8
    // rather than lose it.
    const std::string euro = *text + "PIN=5\xE2\x82\xAC\n";
    ASSERT_TRUE(StoreIniText(qpath, euro, error, IniEncoding::SystemCodePage));
    EXPECT_EQ(ReadBytes(path), euro);
}

}  // namespace
