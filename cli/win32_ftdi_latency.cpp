#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "win32_ftdi_latency.h"

namespace {

std::string RegistryText(HKEY key, const char* value) {
    char buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer - 1;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return buffer;
}

std::optional<int> RegistryNumber(HKEY key, const char* value) {
    DWORD number = 0;
    DWORD type = 0;
    DWORD size = sizeof number;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return static_cast<int>(number);
}

}  // namespace

std::vector<PortLatencyTimer> FtdiLatencyTimers() {
    std::vector<PortLatencyTimer> timers;
    HKEY bus = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS", 0, KEY_READ,
                      &bus) != ERROR_SUCCESS)
        return timers;
    char device[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof device;
        if (RegEnumKeyExA(bus, i, device, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY parameters = nullptr;
        const std::string path = std::string(device) + "\\0000\\Device Parameters";
        if (RegOpenKeyExA(bus, path.c_str(), 0, KEY_READ, &parameters) != ERROR_SUCCESS)
            continue;
        const std::string port = RegistryText(parameters, "PortName");
        const std::optional<int> latency = RegistryNumber(parameters, "LatencyTimer");
        if (!port.empty() && latency) {
            timers.push_back({port,
                              {*latency, "Device Manager > Ports > " + port +
                                             " > Properties > Port Settings > Advanced > Latency "
                                             "Timer: 1"}});
        }
        RegCloseKey(parameters);
    }
    RegCloseKey(bus);
    return timers;
}
