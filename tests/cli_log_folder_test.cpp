#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "default_log_folder.h"
#include "install_layout.h"

namespace fs = std::filesystem;

namespace {

class DefaultLogFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("log-folder-test-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        setenv("HOME", (root_ / "home").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

TEST_F(DefaultLogFolderTest, BesideTheProgramWhenItsFolderTakesFilesElseTheUsersDataFolder) {
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    EXPECT_EQ(DefaultLogFolder(root_ / "bin"), root_ / "bin");
    EXPECT_TRUE(fs::is_empty(root_ / "bin"));  // the probe is gone
    // A probe file left by a killed run says nothing about the folder.
    std::ofstream(root_ / "bin" / ".printer-tool-write-test") << "";
    EXPECT_EQ(DefaultLogFolder(root_ / "bin"), root_ / "bin");

    // Not even an administrator can create a file in /proc.
    EXPECT_EQ(DefaultLogFolder("/proc"), root_ / "data" / "printer-tool");
    EXPECT_TRUE(fs::is_directory(root_ / "data" / "printer-tool"));

    // A relative XDG_DATA_HOME is not to be used; nor is an unset one.
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(DefaultLogFolder("/proc"), root_ / "home" / ".local" / "share" / "printer-tool");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DefaultLogFolder(root_ / "missing"),
              root_ / "home" / ".local" / "share" / "printer-tool");
}

}  // namespace

namespace {

// One layout of a copy of the tool under the test's root: the folders to
// make, and where its files must go.
struct LayoutCase {
    const char* name;
    std::vector<const char*> folders;  // made under the root
    const char* marker;                // a file to put beside the program, or nullptr
    const char* exeFolder;             // relative to the root
    bool installed;
    bool filesBeside;
};

TEST_F(DefaultLogFolderTest, TheLayoutDecidesInstalledOrPortableNotWhetherTheFolderTakesFiles) {
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    const LayoutCase cases[] = {
        {"build tree", {"build/bin"}, nullptr, "build/bin", false, true},
        {"package prefix", {"usr/bin", "usr/share/printer-tool"}, nullptr, "usr/bin", true, false},
        {"prefix, trailing separator",
         {"opt/bin", "opt/share/printer-tool"},
         nullptr,
         "opt/bin/",
         true,
         false},
        {"bin without share", {"tools/bin"}, nullptr, "tools/bin", false, true},
        {"share of another program",
         {"other/bin", "other/share/else"},
         nullptr,
         "other/bin",
         false,
         true},
        {"share beside, folder not named bin",
         {"zip/app", "zip/share/printer-tool"},
         nullptr,
         "zip/app",
         false,
         true},
        {"installer's marker",
         {"Programs/printer-tool"},
         "printer-tool.installed",
         "Programs/printer-tool",
         true,
         false},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* folder : c.folders)
            fs::create_directories(root_ / folder);
        const fs::path exeFolder = root_ / c.exeFolder;
        if (c.marker != nullptr)
            std::ofstream(exeFolder / c.marker) << "";
        const ProgramLayout layout = DetectLayout(exeFolder);
        EXPECT_EQ(layout.installed, c.installed);
        EXPECT_EQ(layout.filesBesideProgram, c.filesBeside);
        const fs::path logFolder = DefaultLogFolder(exeFolder);
        EXPECT_EQ(logFolder, c.filesBeside ? exeFolder : root_ / "data" / "printer-tool");
        // Every folder here takes files (the tests may run as root): the
        // layout alone kept an installed copy's log out of it.
        EXPECT_TRUE(FolderTakesFiles(exeFolder));
    }
}

// The installed program itself, run where it can write beside itself (as
// root can in /usr/bin): a failed job's debug.log goes to the user's data
// folder and nothing new appears beside the program.
TEST_F(DefaultLogFolderTest, InstalledPrinterCliWritesNothingBesideItself) {
    const fs::path bin = root_ / "usr" / "bin";
    fs::create_directories(bin);
    fs::create_directories(root_ / "usr" / "share" / "printer-tool");
    fs::copy_file(PRINTER_CLI_PATH, bin / "printer-cli");
    const ChildResult run =
        RunChild({(bin / "printer-cli").string(), "-p", "/nonexistent/tty", "identify"}, 60000,
                 {"HOME=" + (root_ / "home").string(), "XDG_DATA_HOME="});
    EXPECT_EQ(run.exitCode, 1) << run.err;  // the port could not be opened
    EXPECT_TRUE(
        fs::is_regular_file(root_ / "home" / ".local" / "share" / "printer-tool" / "debug.log"));
    std::vector<fs::path> beside;
    for (const auto& entry : fs::directory_iterator(bin))
        beside.push_back(entry.path().filename());
    EXPECT_EQ(beside, std::vector<fs::path>{"printer-cli"});
}

}  // namespace
