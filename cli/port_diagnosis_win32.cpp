#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// clang-format off
#include <cfgmgr32.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "my_uart.h"
#include "port_diagnosis.h"
#include "win32_error_text.h"
#include "win32_ftdi_latency.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "USB\VID_1A86&PID_7523&REV_0264" -> "1a86:7523"; empty for other buses.
std::string UsbId(const std::string& hardwareId) {
    const std::string id = Lower(hardwareId);
    const size_t vid = id.find("vid_");
    const size_t pid = id.find("pid_");
    if (vid == std::string::npos || pid == std::string::npos || vid + 8 > id.size() ||
        pid + 8 > id.size())
        return {};
    return id.substr(vid + 4, 4) + ":" + id.substr(pid + 4, 4);
}

// Why Device Manager shows a yellow mark, for the codes a serial adapter
// without its driver gets.
std::string ProblemText(ULONG problem) {
    switch (problem) {
        case CM_PROB_FAILED_INSTALL:
            return "problem code 28: its driver is not installed";
        case CM_PROB_DRIVER_FAILED_LOAD:
            return "problem code 39: its driver could not be loaded";
        case CM_PROB_FAILED_START:
            return "problem code 10: the device could not start";
        case CM_PROB_DISABLED:
            return "problem code 22: the device is disabled";
        default:
            return "problem code " + std::to_string(problem);
    }
}

}  // namespace

PortAccessCheck CheckPortAccess(const std::string& name) {
    HANDLE h = CreateFileA(TMyUart::DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {PortAccess::Missing, Win32ErrorText(error)};
        // A port that another program holds refuses a second open this way.
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return {PortAccess::InUse, Win32ErrorText(error)};
        return {PortAccess::Failed, Win32ErrorText(error)};
    }
    const bool serial = GetFileType(h) == FILE_TYPE_CHAR;
    CloseHandle(h);
    if (!serial)
        return {PortAccess::NotSerial, "not a serial device"};
    return {PortAccess::Opens, ""};
}

std::vector<AdapterWithoutPort> AdaptersWithoutPort() {
    std::vector<AdapterWithoutPort> found;
    HDEVINFO devices =
        SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        char hardwareId[512] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(hardwareId),
                                               sizeof hardwareId - 1, nullptr))
            continue;
        const std::string usbId = UsbId(hardwareId);
        if (usbId.empty() || UsbSerialChip(usbId).empty())
            continue;
        ULONG status = 0;
        ULONG problem = 0;
        if (CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS &&
            (status & DN_HAS_PROBLEM) != 0)
            found.push_back({usbId, ProblemText(problem)});
    }
    SetupDiDestroyDeviceInfoList(devices);
    return found;
}

std::optional<LatencyTimer> AdapterLatencyTimer(const std::string& name) {
    for (const PortLatencyTimer& found : FtdiLatencyTimers()) {
        if (Lower(found.port) == Lower(name))
            return found.timer;
    }
    return std::nullopt;
}

std::string SystemDescription() {
    // RtlGetVersion tells the true version; GetVersionEx lies to programs
    // without a manifest.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    // Through void(*)(void), the one cast from FARPROC that warns nowhere.
    const auto get = ntdll != nullptr
                         ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void (*)(void)>(
                               GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
    if (get == nullptr || get(&version) != 0)
        return "Windows";
    char text[64];
    std::snprintf(text, sizeof text, "Windows %lu.%lu build %lu", version.dwMajorVersion,
                  version.dwMinorVersion, version.dwBuildNumber);
    return text;
}
