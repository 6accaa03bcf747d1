// The serial ports that Qt finds (sysfs on Linux, IOKit on macOS).
#include "port_list.h"

#include <QSerialPortInfo>
#include <cstdio>

std::vector<PortInfo> AvailablePorts() {
    std::vector<PortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortInfo port;
        port.name = info.systemLocation().toStdString();
        port.description = info.description().toStdString();
        if (!info.manufacturer().isEmpty()) {
            port.description +=
                (port.description.empty() ? "" : ", ") + info.manufacturer().toStdString();
        }
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            char id[16];
            std::snprintf(id, sizeof id, "%04x:%04x", info.vendorIdentifier(),
                          info.productIdentifier());
            port.usbId = id;
        }
        ports.push_back(std::move(port));
    }
    return ports;
}
