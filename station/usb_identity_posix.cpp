#include <fstream>

#include "usb_identity.h"

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

UsbIdentity UsbIdentityOf(const fs::path& device) {
    // /sys/class/tty/ttyUSB0/device leads into the USB interface; the
    // device with idVendor is one of its parents.
    std::error_code ec;
    fs::path node = fs::canonical(fs::path("/sys/class/tty") / device.filename() / "device", ec);
    if (ec)
        return {};
    for (int depth = 0; depth < 6 && node.has_relative_path(); ++depth, node = node.parent_path()) {
        const std::string vendor = FirstLine(node / "idVendor");
        if (vendor.empty())
            continue;
        return {vendor + ":" + FirstLine(node / "idProduct"), FirstLine(node / "serial")};
    }
    return {};
}
