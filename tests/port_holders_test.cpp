// Other programs that hold a serial port, found by their /proc/PID/fd links:
// a real one on a pseudo-terminal, and every kind of process in a /proc of
// the test's own making.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "background_process.h"
#include "port_holders.h"
#include "pty_pair.h"

void PrintTo(const PortHolder& holder, std::ostream* out) {
    *out << holder.name << " (PID " << holder.pid << ")";
}

namespace {

namespace fs = std::filesystem;

// A command line as /proc/PID/cmdline holds it: each argument ends with a NUL.
std::string CommandLine(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments)
        text += argument + '\0';
    return text;
}

TEST(PortHolders, AProgramThatOpenedThePortBeforeIsFoundAndThisProcessIsNot) {
    PtyPair pty;  // this process keeps the port open as well
    EXPECT_TRUE(FindPortHolders(pty.SlavePath()).holders.empty());
    {
        BackgroundProcess cat({"cat"}, pty.SlavePath());
        ASSERT_TRUE(cat.WaitUntilReading(pty.SlavePath(), 10000));
        const PortHolders found = FindPortHolders(pty.SlavePath());
        EXPECT_EQ(found.holders, (std::vector<PortHolder>{{cat.Pid(), "cat"}}));
        EXPECT_EQ(PortHolderList(found.holders), "cat (PID " + std::to_string(cat.Pid()) + ")");
    }
    EXPECT_TRUE(FindPortHolders(pty.SlavePath()).holders.empty());
}

// A /proc with a holder, this process, the line's other end (the master of
// the port's pseudo-terminal, as printer-sim holds it), processes that
// cannot be read (one a modem manager, one a getty on this port, one a
// getty elsewhere), one holding other files, one gone, and entries that are
// no process.
TEST(PortHolders, UnreadableProcessesAreCountedAndPortTakersAmongThemNamed) {
    PtyPair pty;
    const fs::path root = fs::temp_directory_path() / ("fake-proc-" + std::to_string(getpid()));
    fs::remove_all(root);
    const std::string port = pty.SlavePath();
    const std::string device = port.substr(5);  // "pts/N"
    const auto process = [&](int pid, const std::string& name) {
        const fs::path folder = root / std::to_string(pid);
        fs::create_directories(folder);
        std::ofstream(folder / "comm") << name << "\n";
        return folder;
    };
    const auto holds = [](const fs::path& folder, const std::string& fd, const fs::path& target) {
        fs::create_directories(folder / "fd");
        fs::create_symlink(target, folder / "fd" / fd);
    };
    const auto unreadable = [](const fs::path& folder, const std::string& commandLine = {}) {
        std::ofstream(folder / "fd") << "";  // opendir fails, as for another user's process
        std::ofstream(folder / "cmdline", std::ios::binary) << commandLine;
    };
    holds(process(4242, "cat"), "0", port);
    holds(process(4242, "cat"), "1", "/dev/null");
    holds(process(static_cast<int>(getpid()), "printer-cli"), "5", port);
    unreadable(process(612, "ModemManager"));
    unreadable(process(700, "agetty"), CommandLine({"/sbin/agetty", "-o", "-p -- \\u",
                                                    "--keep-baud", "115200", device, "vt220"}));
    unreadable(process(701, "agetty"), CommandLine({"/sbin/agetty", "--noclear", "tty1", "linux"}));
    unreadable(process(900, "sshd"));
    holds(process(800, "bash"), "0", "/dev/null");
    // The master of this pseudo-terminal beside its slave: the other end. The
    // master of another one does not make a holder that.
    const auto master = [&](const fs::path& folder, const std::string& fd, int ttyIndex) {
        holds(folder, fd, "/dev/ptmx");
        fs::create_directories(folder / "fdinfo");
        std::ofstream(folder / "fdinfo" / fd)
            << "pos:\t0\nflags:\t02\ntty-index:\t" << ttyIndex << "\n";
    };
    const int index = std::stoi(device.substr(4));
    holds(process(310, "printer-sim"), "4", port);
    master(process(310, "printer-sim"), "3", index);
    holds(process(320, "screen"), "4", port);
    master(process(320, "screen"), "3", index + 1);
    process(950, "gone");  // no fd folder: it ended while being read
    fs::create_directories(root / "sys");
    std::ofstream(root / "uptime") << "1.0\n";

    const PortHolders found = FindPortHolders(port, root.string());
    EXPECT_EQ(found.holders, (std::vector<PortHolder>{{320, "screen"}, {4242, "cat"}}));
    EXPECT_EQ(found.unreadable, 4);
    EXPECT_EQ(found.suspects,
              (std::vector<PortHolder>{{612, "ModemManager"}, {700, "serial-getty@" + device}}));
    EXPECT_EQ(UnreadableHoldersNote(found),
              "4 processes of other users could not be checked; among them ModemManager (PID "
              "612) and serial-getty@" +
                  device + " (PID 700) run, which take serial ports");

    // A port that is not there has no holders; a /proc that is not there
    // tells nothing.
    EXPECT_TRUE(FindPortHolders(port + "-gone", root.string()).holders.empty());
    const PortHolders none = FindPortHolders(port, (root / "missing").string());
    EXPECT_TRUE(none.holders.empty());
    EXPECT_EQ(none.unreadable, 0);
    EXPECT_EQ(UnreadableHoldersNote(none), "");
    fs::remove_all(root);
}

}  // namespace
