// The serial ports of a Windows machine: every device of the Ports class that
// has a port name, with its friendly name and USB identity, then any name the
// serial drivers registered under HARDWARE\DEVICEMAP\SERIALCOMM that the device
// list did not show (some virtual port drivers only register there).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// clang-format off
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cwctype>

#include "port_list.h"
#include "win32_utf8.h"

namespace {

// A string value of a registry key; empty when missing or not a string.
std::wstring RegistryText(HKEY key, const wchar_t* value) {
    wchar_t buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer - sizeof(wchar_t);  // room for a terminating zero
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return buffer;
}

std::wstring DeviceText(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return buffer;  // a multi-string's first entry, for SPDRP_HARDWAREID
}

// "USB\VID_0403&PID_6001\..." -> "0403:6001"; empty for other buses.
std::string UsbId(std::wstring hardwareId) {
    std::transform(hardwareId.begin(), hardwareId.end(), hardwareId.begin(), std::towupper);
    const size_t vid = hardwareId.find(L"VID_");
    const size_t pid = hardwareId.find(L"PID_");
    if (vid == std::wstring::npos || pid == std::wstring::npos)
        return {};
    const std::string v = Utf8FromWide(hardwareId.substr(vid + 4, 4));
    const std::string p = Utf8FromWide(hardwareId.substr(pid + 4, 4));
    if (v.size() != 4 || p.size() != 4)
        return {};
    std::string id = v + ":" + p;
    std::transform(id.begin(), id.end(), id.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return id;
}

// "USB Serial Port (COM3)" -> "USB Serial Port": the name is listed already.
std::string WithoutPortName(const std::string& friendly, const std::string& name) {
    const std::string suffix = " (" + name + ")";
    if (friendly.size() > suffix.size() &&
        friendly.compare(friendly.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return friendly.substr(0, friendly.size() - suffix.size());
    }
    return friendly;
}

void AddDevicePorts(std::vector<PortInfo>& ports) {
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        const std::string name = Utf8FromWide(RegistryText(key, L"PortName"));
        RegCloseKey(key);
        if (name.compare(0, 3, "COM") != 0)
            continue;  // parallel ports share the class
        PortInfo port;
        port.name = name;
        port.description =
            WithoutPortName(Utf8FromWide(DeviceText(devices, device, SPDRP_FRIENDLYNAME)), name);
        port.usbId = UsbId(DeviceText(devices, device, SPDRP_HARDWAREID));
        ports.push_back(std::move(port));
    }
    SetupDiDestroyDeviceInfoList(devices);
}

void AddRegisteredPorts(std::vector<PortInfo>& ports) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t value[256];
        DWORD valueSize = 256;
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG rc = RegEnumValueW(key, i, value, &valueSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        PortInfo port;
        port.name = Utf8FromWide(data);
        const bool known = std::any_of(ports.begin(), ports.end(),
                                       [&](const PortInfo& p) { return p.name == port.name; });
        if (!known && !port.name.empty())
            ports.push_back(std::move(port));
    }
    RegCloseKey(key);
}

}  // namespace

std::vector<PortInfo> AvailablePorts() {
    std::vector<PortInfo> ports;
    AddDevicePorts(ports);
    AddRegisteredPorts(ports);
    // COM2 before COM10.
    std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });
    return ports;
}
