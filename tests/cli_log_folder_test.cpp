#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "default_log_folder.h"

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
    std::ofstream(root_ / "bin" / ".printer-cli-write-test") << "";
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
