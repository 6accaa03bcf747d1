#include "path_text.h"
#include "usb_identity.h"
#include "win32_com_ports.h"

UsbIdentity UsbIdentityOf(const std::filesystem::path& device) {
    // `device` is the COM port; SetupAPI knows the USB device behind it.
    const std::string name = PathText(device);
    for (const ComPort& port : ListComPorts()) {
        if (SameComName(port.name, name))
            return {port.usbId, port.usbSerial};
    }
    return {};
}
