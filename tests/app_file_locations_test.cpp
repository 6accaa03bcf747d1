#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "file_locations.h"
#include "ini_file.h"
#include "install_layout.h"
#include "window_harness.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

QString WithSlash(const fs::path& folder) {
    return QString::fromStdString(folder.string()) + '/';
}

// The user's folders (those printer-cli uses too) inside the test's own
// folder, so that suites running side by side do not share them; an
// installation laid out as a package lays it: bin/ and share/printer-tool/
// side by side.
class FileLocationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SaveVariable("XDG_CONFIG_HOME", savedConfig_);
        SaveVariable("XDG_DATA_HOME", savedData_);
        setenv("XDG_CONFIG_HOME", (h.Folder() / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (h.Folder() / "data").c_str(), 1);
        fs::create_directories(h.Folder() / "bin");
        WriteFile(Share() / "ok.wav", "RIFF");
        fs::copy_file(PT_DEFAULT_CONFIG, Share() / "printer-tool.ini");
        h.exeFolder = Bin();
    }
    void TearDown() override {
        h.Close();
        RestoreVariable("XDG_CONFIG_HOME", savedConfig_);
        RestoreVariable("XDG_DATA_HOME", savedData_);
    }
    static void SaveVariable(const char* name, std::optional<std::string>& saved) {
        const char* value = getenv(name);
        saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    static void RestoreVariable(const char* name, const std::optional<std::string>& saved) {
        if (saved)
            setenv(name, saved->c_str(), 1);
        else
            unsetenv(name);
    }

    fs::path Bin() const { return h.Folder() / "bin"; }
    fs::path Share() const { return h.Folder() / "share" / "printer-tool"; }
    fs::path ConfigFolder() const { return h.Folder() / "config" / "printer-tool"; }
    fs::path DataFolder() const { return h.Folder() / "data" / "printer-tool"; }

    WindowHarness h;
    std::optional<std::string> savedConfig_;
    std::optional<std::string> savedData_;
};

TEST_F(FileLocationsTest, WritableFolderKeepsEverythingBesideTheProgramElseUserFolders) {
    const QString bin = WithSlash(Bin());
    const FileLocations portable = ChooseFileLocations(bin, "tool.ini", true);
    EXPECT_FALSE(portable.installed);
    EXPECT_EQ(portable.configFile, bin + "tool.ini");
    for (const QString& folder :
         {portable.workFolder, portable.dataFolder, portable.fontFolder, portable.soundFolder})
        EXPECT_EQ(folder, bin);
    EXPECT_TRUE(ConfigurationNote(portable).isEmpty());

    const FileLocations installed = ChooseFileLocations(bin, "tool.ini", false);
    EXPECT_TRUE(installed.installed);
    EXPECT_EQ(installed.configFile, WithSlash(ConfigFolder()) + "tool.ini");
    EXPECT_EQ(installed.fontFolder, WithSlash(ConfigFolder()));  // "font.bin" beside the file
    EXPECT_EQ(installed.dataFolder, WithSlash(DataFolder()));
    EXPECT_EQ(installed.soundFolder, WithSlash(Share()));
    EXPECT_EQ(installed.defaultConfig, WithSlash(Share()) + "printer-tool.ini");
    EXPECT_EQ(ConfigurationNote(installed), "Configuration: " + installed.configFile);

    // Sounds beside the program still win over the shipped ones.
    WriteFile(Bin() / "ok.wav", "RIFF");
    EXPECT_EQ(ChooseFileLocations(bin, "tool.ini", false).soundFolder, bin);
}

TEST_F(FileLocationsTest, WritableMeansAFileCouldBeCreatedThere) {
    EXPECT_TRUE(FolderIsWritable(WithSlash(Bin())));
    EXPECT_FALSE(FolderIsWritable(WithSlash(Bin() / "missing")));
    // Not even an administrator can create a file here, unlike in a folder
    // whose mode bits merely forbid it.
    EXPECT_FALSE(FolderIsWritable(QStringLiteral("/proc/")));
    EXPECT_EQ(fs::directory_iterator(Bin()), fs::directory_iterator());  // the probe is gone
}

TEST_F(FileLocationsTest, FirstInstalledStartTakesTheShippedConfigurationAndSaysWhere) {
    const std::string shipped = ReadFile(Share() / "printer-tool.ini");
    // Decided by the layout (bin/ beside share/printer-tool/), though the
    // program's folder takes files, as /usr/bin does for root.
    ASSERT_TRUE(FolderIsWritable(WithSlash(Bin())));
    TfrmMain& window = h.Open();
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(h.Find<QLabel>("StatusPanel1")->text(), "Configuration: " + window.IniFilePath());
    auto* codePage = h.Find<QComboBox>("ComboCodePage");
    ASSERT_GE(codePage->count(), 10);
    EXPECT_EQ(codePage->itemText(0), "CP437");
    EXPECT_EQ(codePage->itemText(1), "Katakana");
    EXPECT_EQ(codePage->currentText(), "CP437");
    EXPECT_TRUE(fs::is_directory(DataFolder()));  // where "debug.log" and "logo.bin" go
    h.Close();

    // The user's copy took the window's keys and kept the list; the shipped
    // file is as it was.
    const IniFile saved = IniFile::Parse(ReadFile(ConfigFolder() / "printer-tool.ini"));
    EXPECT_EQ(saved.Value("CODEPAGE", "WCP1251"), "46");
    EXPECT_EQ(saved.Value("LOGO", "SIZE"), "65536");
    EXPECT_EQ(ReadFile(Share() / "printer-tool.ini"), shipped);
    EXPECT_TRUE(fs::is_empty(Bin()));  // nothing beside the program
}

TEST_F(FileLocationsTest, ExistingConfigurationIsNeverReplacedAndPortableStartsFromTheShippedOne) {
    WriteFile(ConfigFolder() / "printer-tool.ini", "[APP]\nCAPTION=MINE\n[CODEPAGE]\nOwn=7\n");
    h.filesBesideProgram = false;
    TfrmMain& window = h.Open();
    EXPECT_EQ(window.windowTitle(), "MINE");
    auto* codePage = h.Find<QComboBox>("ComboCodePage");
    ASSERT_EQ(codePage->count(), 1);
    EXPECT_EQ(codePage->itemText(0), "Own");
    h.Close();
    EXPECT_EQ(IniFile::Parse(ReadFile(ConfigFolder() / "printer-tool.ini")).Value("APP", "CAPTION"),
              "MINE");

    // A portable first start beside the same installation takes the shipped
    // configuration, with its code pages, beside itself; no note.
    h.filesBesideProgram = true;
    h.Open();
    EXPECT_GE(h.Find<QComboBox>("ComboCodePage")->count(), 10);
    EXPECT_TRUE(h.Find<QLabel>("StatusPanel1")->text().isEmpty());
    EXPECT_TRUE(fs::is_regular_file(Bin() / "printer-tool.ini"));
    EXPECT_EQ(IniFile::Parse(ReadFile(ConfigFolder() / "printer-tool.ini")).Value("APP", "CAPTION"),
              "MINE");
}

}  // namespace
