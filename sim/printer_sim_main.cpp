// printer-sim: the virtual printer as a program, for the demo, benchmarks and
// trying the tool without hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "firmware_check.h"
#include "program_version.h"
#include "sim_command_line.h"
#include "virtual_printer.h"

namespace {

int g_signalPipe = -1;

void OnSignal(int) {
    const uint8_t b = 1;
    (void)!::write(g_signalPipe, &b, 1);
}

// SIGINT and SIGTERM become a byte in a pipe whose reading end is `readFd`.
bool InstallSignalHandlers(int& readFd, std::string& error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "cannot create a pipe for signals";
        return false;
    }
    readFd = fds[0];
    g_signalPipe = fds[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

// Waits for SIGINT or SIGTERM, or for the printer to end by itself (a
// hang-up fault).
void WaitForEnd(const VirtualPrinter& printer, int signalReadFd) {
    constexpr int kCheckEveryMs = 200;
    while (printer.Running()) {
        pollfd p{signalReadFd, POLLIN, 0};
        if (poll(&p, 1, kCheckEveryMs) > 0)
            return;
    }
}

// Puts a symlink to `target` at `path` as udev does: made under a hidden
// name in the same folder, then renamed over `path`, so that a reader of the
// folder never finds it half made. The folder is made when missing (`made`
// then says so). Another kind of file at `path` is left alone.
bool MakeLink(const std::string& path, const std::string& target, bool& made, std::string& error) {
    const std::filesystem::path link(path);
    const std::filesystem::path folder = link.parent_path();
    std::error_code ec;
    made = !folder.empty() && std::filesystem::create_directory(folder, ec);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = path + " exists and is not a symbolic link; it is left alone";
        return false;
    }
    const std::filesystem::path hidden =
        folder / ("." + link.filename().string() + "." + std::to_string(getpid()) + ".tmp");
    ::unlink(hidden.c_str());
    if (symlink(target.c_str(), hidden.c_str()) != 0 ||
        ::rename(hidden.c_str(), path.c_str()) != 0) {
        ::unlink(hidden.c_str());
        error = "cannot create the link " + path;
        return false;
    }
    return true;
}

// Removes the link if it still leads to `target`, and the folder when this
// printer made it and nothing else is left in it, as udev leaves no empty
// /dev/serial/by-path behind.
void RemoveLink(const std::string& path, const std::string& target, bool removeFolder) {
    char pointsTo[4096];
    const ssize_t n = readlink(path.c_str(), pointsTo, sizeof pointsTo - 1);
    if (n > 0 && std::string(pointsTo, static_cast<size_t>(n)) == target)
        ::unlink(path.c_str());
    if (removeFolder)
        ::rmdir(std::filesystem::path(path).parent_path().c_str());  // fails while not empty
}

void PrintCommand(const ReceivedCommand& command) {
    std::fprintf(stderr, "printer-sim: 0x%02X parameter 0x%08X, %zu data bytes: %s%s%s\n",
                 static_cast<unsigned>(command.code), static_cast<unsigned>(command.parameter),
                 command.data.size(), CommandOutcomeName(command.outcome),
                 command.note.empty() ? "" : ", ", command.note.c_str());
}

// A valid image with a random body, for demos and trying the update.
int WriteSampleFirmware(const std::string& path, uint32_t size) {
    std::vector<uint8_t> image(size);
    std::mt19937 random(std::random_device{}());
    for (uint8_t& b : image)
        b = static_cast<uint8_t>(random());
    SealFirmwareImage(image);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::cerr << "printer-sim: cannot write " << path << "\n";
        return 1;
    }
    std::cout << "wrote a firmware image of " << size << " bytes to " << path << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    SimCommandLine line;
    std::string error;
    if (!ParseSimCommandLine(args, line, error)) {
        std::cerr << "printer-sim: " << error << "\n";
        return 2;
    }
    if (line.help) {
        std::cout << SimUsage();
        return 0;
    }
    if (line.version) {
        std::cout << "printer-sim " << kProgramVersion << "\n";
        return 0;
    }
    if (line.makeFirmwarePath)
        return WriteSampleFirmware(*line.makeFirmwarePath, line.makeFirmwareSize);
    int signalRead = -1;
    if (!InstallSignalHandlers(signalRead, error)) {
        std::cerr << "printer-sim: " << error << "\n";
        return 1;
    }
    VirtualPrinter printer(line.options);
    printer.SetFaults(line.faults);
    if (!line.quiet)
        printer.SetCommandObserver(PrintCommand);
    const bool started = line.udp ? printer.StartUdp(line.udp->host, line.udp->port, error)
                                  : printer.StartPty(error);
    if (!started) {
        std::cerr << "printer-sim: " << error << "\n";
        return 1;
    }
    // The first line tells a script where to find the printer.
    bool madeFolder = false;
    if (line.udp) {
        std::cout << line.udp->host << ":" << printer.UdpPort() << std::endl;
    } else {
        std::cout << printer.SlavePath() << std::endl;
        if (line.linkPath && !MakeLink(*line.linkPath, printer.SlavePath(), madeFolder, error)) {
            std::cerr << "printer-sim: " << error << "\n";
            return 1;
        }
    }
    WaitForEnd(printer, signalRead);
    const bool hungUp = !printer.Running();
    printer.Stop();
    if (line.linkPath)
        RemoveLink(*line.linkPath, printer.SlavePath(), madeFolder);
    if (hungUp && !line.quiet)
        std::cerr << "printer-sim: the line was hung up; ending\n";
    return 0;
}
