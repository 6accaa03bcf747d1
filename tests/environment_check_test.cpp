// The machine-wide check of doctor and the station against machines of the
// test's own making: a /proc with its processes and this process's user and
// groups, an /etc with its groups, a /dev with the adapters' ports and a
// /sys with their latency timers.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "unix_environment.h"

namespace {

namespace fs = std::filesystem;

// The tree's files belong to whoever runs the test: the made-up user is
// someone else, so that only the group and mode bits let them in.
const unsigned kOwnGid = static_cast<unsigned>(getgid());
const unsigned kUser = static_cast<unsigned>(getuid()) + 1000;

class FakeMachine {
  public:
    explicit FakeMachine(int index)
        : root_(fs::temp_directory_path() /
                ("fake-machine-" + std::to_string(getpid()) + "-" + std::to_string(index))) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "proc/self");
        fs::create_directories(root_ / "etc");
        fs::create_directories(root_ / "dev");
        // The ports' group is the one udev gives them; ann is another user.
        Write("etc/group", "dialout:x:" + std::to_string(kOwnGid) + ":\n");
        Write("etc/passwd", "ann:x:" + std::to_string(kUser) + ":" + std::to_string(kUser) +
                                ":Ann:/home/ann:/bin/sh\n");
        User(kUser, kUser, std::to_string(kOwnGid));
    }
    ~FakeMachine() { fs::remove_all(root_); }

    const fs::path& Root() const { return root_; }

    void Write(const std::string& path, const std::string& text) {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
    }
    void Process(int pid, const std::string& name) {
        Write("proc/" + std::to_string(pid) + "/comm", name + "\n");
    }
    // This process: its real and effective user, and its groups besides
    // its own (by default the ports' one).
    void User(unsigned real, unsigned effective, const std::string& groups) {
        const std::string uid = std::to_string(effective);
        const std::string gid = std::to_string(kUser);
        Write("proc/self/status", "Name:\tprinter-cli\nUid:\t" + std::to_string(real) + "\t" + uid +
                                      "\t" + uid + "\t" + uid + "\nGid:\t" + gid + "\t" + gid +
                                      "\t" + gid + "\t" + gid + "\nGroups:\t" + groups + "\n");
    }
    void NotInTheGroup() { User(kUser, kUser, ""); }
    void Port(const std::string& name, fs::perms mode) {
        Write("dev/" + name, "");
        fs::permissions(root_ / "dev" / name, mode);
    }
    void Latency(const std::string& tty, const std::string& text) {
        Write("sys/bus/usb-serial/devices/" + tty + "/latency_timer", text + "\n");
    }

  private:
    fs::path root_;
};

constexpr fs::perms kGroupReadWrite =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write;
constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kEveryone = kGroupReadWrite | fs::perms::others_read | fs::perms::others_write;

struct Expected {
    std::string check;
    std::string reason;  // a part of it
    std::string action;  // a part of it
};

struct EnvironmentCase {
    const char* name;
    std::function<void(FakeMachine&)> make;
    std::vector<Expected> warnings;
};

const EnvironmentCase kCases[] = {
    {"nothing in the way",
     [](FakeMachine& m) {
         m.Process(1, "systemd");
         m.Process(2200, "ModemManagerX");
         m.Port("ttyUSB0", kGroupReadWrite);
         m.Port("ttyS0", kOwnerOnly);  // no USB adapter's port
         m.Latency("ttyUSB0", "1");
         m.Latency("ttyUSB1", "2");
         m.Write("sys/bus/usb-serial/devices/ttyUSB2/port_number", "0\n");  // not FTDI
     },
     {}},
    {"programs that take new ports",
     [](FakeMachine& m) {
         m.Process(612, "ModemManager");
         m.Process(88, "brltty");
         m.Process(90, "brltty");
     },
     {{"programs", "ModemManager (PID 612) runs: it opens each new serial port",
       "sudo systemctl stop ModemManager"},
      {"programs", "brltty (PID 88) and brltty (PID 90) run: it takes USB serial adapters",
       "sudo systemctl stop brltty"}}},
    {"the udev rule keeps ModemManager off the adapters, not brltty",
     [](FakeMachine& m) {
         m.Process(612, "ModemManager");
         m.Process(88, "brltty");
         m.Write("etc/udev/rules.d/60-printer-station.rules", "");
     },
     {{"programs", "brltty (PID 88) runs", "remove it (sudo apt remove brltty)"}}},
    {"not in the ports' group",
     [](FakeMachine& m) {
         m.NotInTheGroup();
         m.Port("ttyUSB1", kGroupReadWrite);
         m.Port("ttyACM0", kGroupReadWrite);
     },
     {{"access", "/dev/ttyACM0 belongs to the group 'dialout', which this user is not in",
       "sudo usermod -aG dialout $USER"}}},
    {"joined the group after logging in",
     [](FakeMachine& m) {
         m.NotInTheGroup();
         m.Write("etc/group", "dialout:x:" + std::to_string(kOwnGid) + ":bob,ann\n");
         m.Port("ttyUSB0", kGroupReadWrite);
     },
     {{"access", "which ann joined after this login began", "log out and in again"}}},
    {"the effective user counts: a real root does not",
     [](FakeMachine& m) {
         m.User(0, kUser, "");
         m.Port("ttyUSB0", kGroupReadWrite);
     },
     {{"access", "'dialout', which this user is not in", "usermod"}}},
    {"root may open any port",
     [](FakeMachine& m) {
         m.User(kUser, 0, "");
         m.Port("ttyUSB0", kOwnerOnly);
     },
     {}},
    {"a port open to everyone",
     [](FakeMachine& m) {
         m.NotInTheGroup();
         m.Port("ttyUSB0", kEveryone);
     },
     {}},
    {"a port open to its owner only",
     [](FakeMachine& m) { m.Port("ttyUSB0", kOwnerOnly); },
     {{"access", "may not open /dev/ttyUSB0: only its owner may", "install the udev rule"}}},
    {"no port plugged in: the group of new ones",
     [](FakeMachine& m) { m.Write("etc/group", "dialout:x:20:\n"); },
     {{"access", "udev gives new ports the group 'dialout'", "sudo usermod -aG dialout"}}},
    {"no port plugged in, in the group",
     [](FakeMachine& m) {
         m.Write("etc/group", "dialout:x:20:\n");
         m.User(kUser, kUser, "4 20 24");
     },
     {}},
    {"who this process is cannot be read",
     [](FakeMachine& m) {
         fs::remove(m.Root() / "proc/self/status");
         m.Port("ttyUSB0", kOwnerOnly);
     },
     {}},
    {"latency timers above 2 ms",
     [](FakeMachine& m) {
         m.Latency("ttyUSB3", "16");
         m.Latency("ttyUSB0", "3");
         m.Latency("ttyUSB1", "1");
         m.Latency("ttyUSB2", "sixteen");
     },
     {{"latency", "the adapter on /dev/ttyUSB0 is 3 ms, every block waits for it",
       "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"},
      {"latency", "the adapter on /dev/ttyUSB3 is 16 ms, every block waits for it: about 4.1 s",
       "echo 1 | sudo tee "}}},
};

TEST(DoctorEnvironment, EachThingInTheWayOfNewPortsGetsOneWarningWithWhatToDo) {
    int index = 0;
    for (const EnvironmentCase& c : kCases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine(index++);
        c.make(machine);
        const std::vector<EnvironmentWarning> warnings = UnixEnvironmentWarnings(machine.Root());
        ASSERT_EQ(warnings.size(), c.warnings.size())
            << (warnings.empty() ? "" : warnings.front().reason);
        for (size_t i = 0; i < warnings.size(); ++i) {
            EXPECT_EQ(warnings[i].check, c.warnings[i].check);
            EXPECT_NE(warnings[i].reason.find(c.warnings[i].reason), std::string::npos)
                << warnings[i].reason;
            EXPECT_NE(warnings[i].action.find(c.warnings[i].action), std::string::npos)
                << warnings[i].action;
        }
    }
}

// Nothing of this machine is read when the tree has nothing.
TEST(DoctorEnvironment, AnEmptyTreeHasNothingToSay) {
    const fs::path root = fs::temp_directory_path() / ("empty-machine-" + std::to_string(getpid()));
    fs::create_directories(root);
    EXPECT_TRUE(UnixEnvironmentWarnings(root).empty());
    fs::remove_all(root);
}

}  // namespace
