#include "port_selection.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Names compared with their numbers as numbers: "ttyUSB2" < "ttyUSB10".
bool NameBefore(const std::string& a, const std::string& b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const size_t startA = i;
            const size_t startB = j;
            while (i < a.size() && IsDigit(a[i]))
                ++i;
            while (j < b.size() && IsDigit(b[j]))
                ++j;
            const std::string numberA = a.substr(startA, i - startA);
            const std::string numberB = b.substr(startB, j - startB);
            const auto strip = [](const std::string& n) {
                const size_t first = n.find_first_not_of('0');
                return first == std::string::npos ? std::string() : n.substr(first);
            };
            const std::string x = strip(numberA);
            const std::string y = strip(numberB);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (x != y)
                return x < y;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::string Listing(const std::vector<PortInfo>& available) {
    if (available.empty())
        return "\n  (no serial ports)";
    std::string text;
    for (const PortInfo& port : available) {
        text += "\n  " + port.name;
        if (!port.description.empty())
            text += "\t" + port.description;
        if (!port.usbId.empty())
            text += "\tUSB " + port.usbId;
    }
    return text;
}

}  // namespace

PortChoice ChoosePorts(const std::vector<std::string>& given, const std::string& match,
                       const std::vector<PortInfo>& available) {
    PortChoice choice;
    for (const std::string& port : given) {
        if (std::find(choice.ports.begin(), choice.ports.end(), port) != choice.ports.end()) {
            choice.error = "the port " + port + " is given twice";
            choice.ports.clear();
            return choice;
        }
        choice.ports.push_back(port);
    }
    if (!given.empty() && match.empty())
        return choice;

    std::vector<PortInfo> usb;
    for (const PortInfo& port : available) {
        if (!port.usbId.empty() && (match.empty() || port.usbId == match))
            usb.push_back(port);
    }
    std::sort(usb.begin(), usb.end(),
              [](const PortInfo& a, const PortInfo& b) { return NameBefore(a.name, b.name); });

    if (!match.empty()) {
        for (const PortInfo& port : usb) {
            if (std::find(choice.ports.begin(), choice.ports.end(), port.name) ==
                choice.ports.end())
                choice.ports.push_back(port.name);
        }
        if (usb.empty()) {
            choice.ports.clear();
            choice.error =
                "no serial port has the USB id " + match + "; the ports are:" + Listing(available);
        }
        return choice;
    }
    if (usb.size() == 1) {
        choice.ports = {usb.front().name};
        choice.note = "using " + usb.front().name + " (USB " + usb.front().usbId + ")";
        return choice;
    }
    choice.error =
        std::string(usb.empty() ? "no USB serial port found" : "several USB serial ports found") +
        "; give the printer's with --port (or --match VID:PID). The ports are:" +
        Listing(available);
    return choice;
}

std::string PortFileName(const std::string& port) {
    std::string name = port;
    for (const char* prefix : {"/dev/", "\\\\.\\"}) {
        const std::string p = prefix;
        if (name.compare(0, p.size(), p) == 0) {
            name.erase(0, p.size());
            break;
        }
    }
    name.erase(0, name.find_first_not_of("/\\"));
    for (char& c : name) {
        const bool plain =
            std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
        if (!plain)
            c = '_';
    }
    if (name.empty() || name.front() == '.')
        name.insert(name.begin(), '_');
    return name;
}

std::string NotADeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const bool numbered = stem.size() == 4 && IsDigit(stem[3]) &&
                          (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0);
    const bool device =
        numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL";
    return device ? "port-" + name : name;
}
