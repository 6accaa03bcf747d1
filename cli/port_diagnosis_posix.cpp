#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "my_uart.h"
#include "port_diagnosis.h"
#include "sysfs_latency.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// True when a tty hangs under `dir` (ttyUSB0 directly, or tty/ttyACM0).
bool HasTty(const fs::path& dir, int depth) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("tty", 0) == 0 && name != "tty")
            return true;
        if (depth > 0 && (name == "tty" || name.find(':') != std::string::npos) &&
            entry.is_directory(ec) && !entry.is_symlink(ec) && HasTty(entry.path(), depth - 1))
            return true;
    }
    return false;
}

bool HasBoundInterface(const fs::path& device) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(device, ec)) {
        if (entry.path().filename().string().find(':') != std::string::npos &&
            fs::exists(entry.path() / "driver", ec))
            return true;
    }
    return false;
}

}  // namespace

PortAccessCheck CheckPortAccess(const std::string& name) {
    const std::string path = TMyUart::DevicePath(name);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {errno == ENOENT ? PortAccess::Missing : PortAccess::Failed, std::strerror(errno)};
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES) {
            const group* owner = getgrgid(st.st_gid);
            return {PortAccess::Denied, owner != nullptr ? owner->gr_name : ""};
        }
        // EBUSY: another program holds it exclusively (TIOCEXCL).
        return {error == EBUSY ? PortAccess::InUse : PortAccess::Failed, std::strerror(error)};
    }
    PortAccessCheck check{PortAccess::Opens, ""};
    termios settings{};
    if (!S_ISCHR(st.st_mode) || tcgetattr(fd, &settings) != 0) {
        check = {PortAccess::NotSerial, "not a serial device"};
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // The tool's own lock, held by another printer-tool or printer-cli.
        check = {errno == EWOULDBLOCK ? PortAccess::InUse : PortAccess::Failed,
                 std::strerror(errno)};
    }
    ::close(fd);  // also releases the lock
    return check;
}

std::vector<AdapterWithoutPort> AdaptersWithoutPort() {
    std::vector<AdapterWithoutPort> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/sys/bus/usb/devices", ec)) {
        const fs::path device = entry.path();
        const std::string vendor = ReadFirstLine(device / "idVendor");
        if (vendor.empty())
            continue;  // an interface, not a device
        const std::string usbId = vendor + ":" + ReadFirstLine(device / "idProduct");
        if (UsbSerialChip(usbId).empty() || HasTty(device, 2))
            continue;
        found.push_back({usbId, HasBoundInterface(device) ? "its driver is bound but made no port"
                                                          : "no driver is bound to it"});
    }
    return found;
}

std::optional<LatencyTimer> AdapterLatencyTimer(const std::string& name) {
    std::error_code ec;
    const fs::path device = fs::canonical(TMyUart::DevicePath(name), ec);
    if (ec)
        return std::nullopt;
    return SysfsLatencyTimer("/sys", device.filename().string());
}

std::string SystemDescription() {
    utsname name{};
    if (uname(&name) != 0)
        return "POSIX";
    return std::string(name.sysname) + " " + name.release + " " + name.machine;
}
