#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "host_name.h"
#include "win32_utf8.h"

std::string HostName() {
    // The DNS host name, as gethostname gives it; the NetBIOS name is cut to
    // 15 letters and upper case.
    wchar_t name[256] = {};
    DWORD size = 255;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size))
        return {};
    return Utf8FromWide(std::wstring_view(name, size));
}
