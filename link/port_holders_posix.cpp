#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>  // major, minor
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "port_holders.h"
#include "proc_processes.h"

namespace {

// Programs that open serial ports by themselves: those that take new ones
// (a modem manager, brltty), and gpsd the ports it was given.
bool TakesSerialPorts(const std::string& name) {
    return ProbesNewPorts(name) || name == "gpsd";
}

bool IsDescriptor(const char* name) {
    return *name != '\0' && std::all_of(name, name + std::char_traits<char>::length(name),
                                        [](char c) { return c >= '0' && c <= '9'; });
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The same device: a character device by its number (a port has several
// names: /dev/ttyUSB0, /dev/serial/by-id/...), anything else by its inode.
bool SameDevice(const struct stat& a, const struct stat& b) {
    if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode))
        return a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The pseudo-terminal a slave device belongs to (/dev/pts/N: N); -1 for any
// other device. Unix 98 slaves have majors 136 to 143, 256 minors each.
int PtyIndex(const struct stat& device) {
    const unsigned major = major(device.st_rdev);
    if (!S_ISCHR(device.st_mode) || major < 136 || major > 143)
        return -1;
    return static_cast<int>((major - 136) * 256 + minor(device.st_rdev));
}

// Whether descriptor `fd` of a process is the master of pseudo-terminal
// `index`: /dev/ptmx (5, 2), whose fdinfo names the terminal.
bool IsMasterOf(const std::string& processFolder, const char* fd, const struct stat& target,
                int index) {
    if (index < 0 || !S_ISCHR(target.st_mode) || major(target.st_rdev) != 5 ||
        minor(target.st_rdev) != 2)
        return false;
    const std::string info = ReadText(processFolder + "/fdinfo/" + fd);
    const size_t at = info.find("tty-index:");
    return at != std::string::npos &&
           std::atoi(info.c_str() + at + std::char_traits<char>::length("tty-index:")) == index;
}

enum class FdScan { Holds, DoesNotHold, Unreadable, Gone };

// Whether the process holds the port. One that holds the master of the
// port's pseudo-terminal as well is the other end of the line (printer-sim
// keeps the slave open so that the line never hangs up), not a program
// that takes the replies.
FdScan ScanDescriptors(const std::string& processFolder, const struct stat& port) {
    const std::string fdFolder = processFolder + "/fd";
    DIR* folder = opendir(fdFolder.c_str());
    if (folder == nullptr)
        return errno == ENOENT ? FdScan::Gone : FdScan::Unreadable;
    const int ptyIndex = PtyIndex(port);
    bool holdsPort = false;
    bool holdsMaster = false;
    while (const dirent* entry = readdir(folder)) {
        struct stat target {};
        // stat follows the link to what the descriptor has open.
        if (!IsDescriptor(entry->d_name) ||
            stat((fdFolder + "/" + entry->d_name).c_str(), &target) != 0)
            continue;
        holdsPort = holdsPort || SameDevice(target, port);
        holdsMaster = holdsMaster || IsMasterOf(processFolder, entry->d_name, target, ptyIndex);
    }
    closedir(folder);
    return holdsPort && !holdsMaster ? FdScan::Holds : FdScan::DoesNotHold;
}

// A getty on this port, as systemd's serial-getty@ starts one: its command
// line names the port ("ttyS0" or "/dev/ttyS0").
bool GettyOnPort(const std::string& name, const std::string& processFolder,
                 const std::string& device, const std::string& devicePath) {
    if (name != "agetty" && name != "getty")
        return false;
    const std::string commandLine = ReadText(processFolder + "/cmdline");
    size_t start = 0;
    while (start < commandLine.size()) {
        size_t end = commandLine.find('\0', start);
        if (end == std::string::npos)
            end = commandLine.size();
        const std::string argument = commandLine.substr(start, end - start);
        if (argument == device || argument == devicePath)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

PortHolders FindPortHolders(const std::string& devicePath, const std::string& procRoot) {
    PortHolders found;
    struct stat port {};
    if (stat(devicePath.c_str(), &port) != 0)
        return found;
    // The name systemd's serial-getty@ uses: "ttyS0", "pts/3".
    const std::string device =
        devicePath.rfind("/dev/", 0) == 0 ? devicePath.substr(5) : devicePath;
    const int self = static_cast<int>(getpid());
    // In PID order, so the holders and suspects are too.
    for (const ProcessEntry& process : ListProcesses(procRoot)) {
        if (process.pid == self)
            continue;
        const FdScan scan = ScanDescriptors(process.folder, port);
        if (scan == FdScan::Gone || scan == FdScan::DoesNotHold)
            continue;
        if (scan == FdScan::Holds) {
            found.holders.push_back({process.pid, process.name});
            continue;
        }
        ++found.unreadable;
        if (GettyOnPort(process.name, process.folder, device, devicePath))
            found.suspects.push_back({process.pid, "serial-getty@" + device});
        else if (TakesSerialPorts(process.name))
            found.suspects.push_back({process.pid, process.name});
    }
    return found;
}
