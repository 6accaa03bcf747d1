// The state files of the virtual printer, and printer-sim as a program.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "datagram_transport.h"
#include "frame_link.h"
#include "my_uart.h"
#include "uart_transport.h"
#include "virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kProgramAnswerTimeoutMs = 3000;
constexpr int kProgramWaitMs = 10000;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

fs::path FreshDir(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    return dir;
}

int Send(FrameLink& link, uint16_t code, uint32_t parameter, const Bytes& data) {
    Bytes buffer(4096);
    std::copy(data.begin(), data.end(), buffer.begin());
    return link.SendCommand(code, parameter, buffer.data(), 4095, static_cast<int>(data.size()), 1,
                            kProgramAnswerTimeoutMs);
}

TEST(SimStateFiles, KeepSettingsCommandsAndMemoryCurrentAfterEveryCommand) {
    const fs::path dir = FreshDir("sim-state");
    SimOptions options;
    options.stateDir = dir.string();
    VirtualPrinter printer(options);
    std::string error;
    ASSERT_TRUE(printer.StartPty(error)) << error;
    EXPECT_NE(ReadFile(dir / "state.json").find("\"mode\": \"normal\""), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "commands.json"), "[\n]\n");

    TMyUart uart;
    ASSERT_TRUE(uart.Open(printer.SlavePath(), 9600)) << uart.LastError();
    UartTransport transport(uart);
    FrameLink link;
    link.SetTransport(&transport);
    const Bytes para{0x00, 0x01, 0xC2, 0x00, 0x10, 0x01, 0x00, 0x01,
                     0x32, 0x00, 0x00, 0x00, 0xC8, 0x00, 0xC8, 0x00};
    ASSERT_EQ(Send(link, 0x60, 0, para), 0);
    ASSERT_EQ(Send(link, 0x64, 0, {'M', '"', 0, '7'}), 0);
    ASSERT_EQ(Send(link, 0x2F, 1, {}), 0);
    ASSERT_EQ(Send(link, 0x63, 0x10, {0xDE, 0xAD}), 0);
    ASSERT_TRUE(printer.WaitForCommands(4, kProgramWaitMs));

    const std::string state = ReadFile(dir / "state.json");
    EXPECT_NE(state.find("\"mode\": \"download\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"rate\": 115200, \"codePage\": 16"), std::string::npos) << state;
    EXPECT_NE(state.find("\"model\": \"M\\\"\", \"serial\": \"7\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"memory-0x63.bin\": 18"), std::string::npos) << state;
    EXPECT_NE(state.find("\"commandsHandled\": 4"), std::string::npos) << state;
    const std::string commands = ReadFile(dir / "commands.json");
    EXPECT_EQ(Occurrences(commands, "\"code\":"), 4u) << commands;
    EXPECT_NE(commands.find("\"code\": 99, \"parameter\": 16, \"dataLength\": 2, \"data\": "
                            "\"dead\""),
              std::string::npos)
        << commands;
    EXPECT_TRUE(commands.ends_with("}\n]\n"));
    Bytes expected(16, 0xFF);
    expected.push_back(0xDE);
    expected.push_back(0xAD);
    const std::string memory = ReadFile(dir / "memory-0x63.bin");
    EXPECT_EQ(Bytes(memory.begin(), memory.end()), expected);
    printer.Stop();
    fs::remove_all(dir);
}

// printer-sim started with a pipe on its standard output.
class SimProgram {
  public:
    explicit SimProgram(const std::vector<std::string>& args) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> all = {PRINTER_SIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~SimProgram() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    // The first line it prints, within `timeoutMs`.
    std::string FirstLine(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string line;
        while (Clock::now() < deadline) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char c;
            if (read(out_, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return "";
    }

    // Sends `signal` and waits for the exit status; -1 when it did not end.
    int Terminate(int signal, int timeoutMs) {
        kill(pid_, signal);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            pollfd none{-1, 0, 0};
            poll(&none, 0, 20);
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool ended_ = false;
};

TEST(SimProgramRun, ServesAPtyBehindALinkAndEndsCleanlyOnSigterm) {
    const fs::path dir = FreshDir("sim-program");
    fs::create_directories(dir);
    const fs::path linkPath = dir / "printer";
    SimProgram sim({"--quiet", "--link", linkPath.string(), "--identity", "ZDV 77XX", "--state-dir",
                    (dir / "state").string()});
    const std::string slave = sim.FirstLine(kProgramWaitMs);
    ASSERT_FALSE(slave.empty());
    EXPECT_TRUE(slave.starts_with("/dev/"));
    // The link appears right after the path is printed.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kProgramWaitMs);
    while (!fs::is_symlink(linkPath) && Clock::now() < deadline) {
        pollfd none{-1, 0, 0};
        poll(&none, 0, 10);
    }
    ASSERT_TRUE(fs::is_symlink(linkPath));
    EXPECT_EQ(fs::read_symlink(linkPath).string(), slave);

    TMyUart uart;
    ASSERT_TRUE(uart.Open(linkPath.string(), 9600)) << uart.LastError();
    UartTransport transport(uart);
    FrameLink link;
    link.SetTransport(&transport);
    uint8_t buffer[4096];
    std::memcpy(buffer, "DEVICE??", 8);
    ASSERT_EQ(link.SendCommand(0x20, 0, buffer, 4095, 8, 1, kProgramAnswerTimeoutMs), 8);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 8), "ZDV 77XX");
    uart.Close();

    EXPECT_EQ(sim.Terminate(SIGTERM, kProgramWaitMs), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkPath)));
    EXPECT_NE(ReadFile(dir / "state" / "commands.json").find("\"code\": 32"), std::string::npos);
    fs::remove_all(dir);
}

TEST(SimProgramRun, ServesUdpAndPrintsItsAddress) {
    SimProgram sim({"--quiet", "--udp", "127.0.0.1:0", "--fault", "identity=ABCDEFGH"});
    const std::string address = sim.FirstLine(kProgramWaitMs);
    ASSERT_TRUE(address.starts_with("127.0.0.1:")) << address;
    const int port = std::stoi(address.substr(10));
    ASSERT_GT(port, 0);
    DatagramTransport udp({"127.0.0.1", static_cast<uint16_t>(port)});
    FrameLink link;
    link.SetTransport(&udp);
    uint8_t buffer[4096];
    std::memcpy(buffer, "DEVICE??", 8);
    ASSERT_EQ(link.SendCommand(0x20, 0, buffer, 4095, 8, 1, kProgramAnswerTimeoutMs), 8);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 8), "ABCDEFGH");
    EXPECT_EQ(sim.Terminate(SIGINT, kProgramWaitMs), 0);
}

TEST(SimProgramRun, RefusesWrongArgumentsWithStatus2) {
    SimProgram sim({"--rate", "12345"});
    // Nothing is printed on standard output; it ends by itself.
    EXPECT_EQ(sim.FirstLine(kProgramWaitMs), "");
    EXPECT_EQ(sim.Terminate(0, kProgramWaitMs), 2);
}

}  // namespace
