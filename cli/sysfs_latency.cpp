#include "sysfs_latency.h"

#include <algorithm>
#include <fstream>

#include "serial_environment.h"

namespace fs = std::filesystem;

std::optional<LatencyTimer> SysfsLatencyTimer(const fs::path& sysRoot, const std::string& tty) {
    const fs::path file = sysRoot / "bus/usb-serial/devices" / tty / "latency_timer";
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    // The driver writes 0 to 255; anything else is not its attribute.
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return LatencyTimer{std::stoi(text), "echo 1 | sudo tee " + file.string() +
                                             " (until it is unplugged; the udev rule " +
                                             kUdevRuleName + " sets it on every plug)"};
}

std::vector<PortLatencyTimer> SysfsLatencyTimers(const fs::path& sysRoot) {
    std::vector<PortLatencyTimer> timers;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysRoot / "bus/usb-serial/devices", ec)) {
        const std::string tty = entry.path().filename().string();
        if (const auto timer = SysfsLatencyTimer(sysRoot, tty))
            timers.push_back({"/dev/" + tty, *timer});
    }
    std::sort(timers.begin(), timers.end(),
              [](const PortLatencyTimer& a, const PortLatencyTimer& b) { return a.port < b.port; });
    return timers;
}
