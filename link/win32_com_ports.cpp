#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// clang-format off
#include <initguid.h>  // DEVPKEY_Device_LocationPaths is defined here, not in a library
#include <devpkey.h>
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cwctype>

#include "win32_com_ports.h"
#include "win32_utf8.h"

namespace {

// How far up the device tree a location or a USB device is looked for: a
// port of an FTDI adapter is a child of the adapter's USB device.
constexpr int kParentsToSearch = 4;

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

// The first of a device's location paths; empty when its bus gave none.
std::wstring LocationPath(DEVINST device) {
    wchar_t buffer[1024] = {};
    ULONG size = sizeof buffer - 2 * sizeof(wchar_t);  // a multi-string ends in two zeros
    DEVPROPTYPE type = 0;
    if (CM_Get_DevNode_PropertyW(device, &DEVPKEY_Device_LocationPaths, &type,
                                 reinterpret_cast<BYTE*>(buffer), &size, 0) != CR_SUCCESS ||
        type != DEVPROP_TYPE_STRING_LIST) {
        return {};
    }
    return buffer;
}

std::wstring InstanceId(DEVINST device) {
    wchar_t buffer[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDW(device, buffer, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
        return {};
    return buffer;
}

// The serial number of the USB device at or above `device`: the last part of
// its instance id, "USB\VID_0403&PID_6001\A9XK3L1Q". Windows makes up an id
// with '&' in it for a device without one; an interface (&MI_) is not the
// device.
std::string UsbSerial(DEVINST device) {
    for (int depth = 0; depth <= kParentsToSearch; ++depth) {
        const std::wstring id = InstanceId(device);
        std::wstring upper = id;
        std::transform(upper.begin(), upper.end(), upper.begin(), std::towupper);
        if (upper.rfind(L"USB\\VID_", 0) == 0 && upper.find(L"&MI_") == std::wstring::npos) {
            const std::wstring serial = id.substr(id.rfind(L'\\') + 1);
            return serial.find(L'&') == std::wstring::npos ? Utf8FromWide(serial) : "";
        }
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, device, 0) != CR_SUCCESS)
            break;
        device = parent;
    }
    return {};
}

std::string Location(DEVINST device) {
    for (int depth = 0; depth <= kParentsToSearch; ++depth) {
        const std::wstring path = LocationPath(device);
        if (!path.empty())
            return Utf8FromWide(path);
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, device, 0) != CR_SUCCESS)
            break;
        device = parent;
    }
    return {};
}

void AddDevicePorts(std::vector<ComPort>& ports) {
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
        ComPort port;
        port.name = name;
        port.description =
            WithoutPortName(Utf8FromWide(DeviceText(devices, device, SPDRP_FRIENDLYNAME)), name);
        port.usbId = UsbId(DeviceText(devices, device, SPDRP_HARDWAREID));
        port.usbSerial = port.usbId.empty() ? "" : UsbSerial(device.DevInst);
        port.location = Location(device.DevInst);
        ports.push_back(std::move(port));
    }
    SetupDiDestroyDeviceInfoList(devices);
}

void AddRegisteredPorts(std::vector<ComPort>& ports) {
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
        ComPort port;
        port.name = Utf8FromWide(data);
        const bool known = std::any_of(ports.begin(), ports.end(),
                                       [&](const ComPort& p) { return p.name == port.name; });
        if (!known && !port.name.empty())
            ports.push_back(std::move(port));
    }
    RegCloseKey(key);
}

}  // namespace

std::vector<ComPort> ListComPorts() {
    std::vector<ComPort> ports;
    AddDevicePorts(ports);
    AddRegisteredPorts(ports);
    std::sort(ports.begin(), ports.end(), [](const ComPort& a, const ComPort& b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });
    return ports;
}

bool SameComName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

bool IsComName(const std::string& name) {
    return name.size() > 3 && SameComName(name.substr(0, 3), "COM") &&
           std::all_of(name.begin() + 3, name.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}
