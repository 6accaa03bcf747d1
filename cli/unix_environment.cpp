#include "unix_environment.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "port_holders.h"
#include "proc_processes.h"
#include "sysfs_latency.h"

namespace fs = std::filesystem;

namespace {

// A warning about the machine, not about one port.
EnvironmentWarning MachineWarning(std::string check, std::string reason, std::string action) {
    return {std::move(check), std::move(reason), std::move(action), {}};
}

// What a program that takes new ports does to them, and how to stop it.
EnvironmentWarning ProgramWarning(const std::string& name, const std::vector<PortHolder>& running) {
    const std::string runs = PortHolderList(running) + (running.size() == 1 ? " runs: " : " run: ");
    if (name == "ModemManager") {
        return MachineWarning(
            "programs",
            runs +
                "it opens each new serial port to probe it for a modem, sends AT commands "
                "the printer does not expect and holds the port for seconds",
            "sudo systemctl stop ModemManager while you work (where no modem is used: sudo "
            "systemctl disable --now ModemManager), or install the udev rule " +
                std::string(kUdevRuleName) + ", which makes it leave the adapters alone");
    }
    if (name == "brltty") {
        return MachineWarning(
            "programs",
            runs +
                "it takes USB serial adapters it mistakes for Braille displays (CH340 and "
                "CP210x among them), and their port goes away",
            "sudo systemctl stop brltty; where no Braille display is used, remove it (sudo "
            "apt remove brltty)");
    }
    return MachineWarning("programs", runs + "it opens new serial ports by itself",
                          "stop it while you work (sudo systemctl stop " + name + ")");
}

std::vector<EnvironmentWarning> ProgramWarnings(const fs::path& root) {
    std::error_code ec;
    const bool ruleInstalled = fs::exists(root / "etc/udev/rules.d" / kUdevRuleName, ec);
    std::map<std::string, std::vector<PortHolder>> byName;
    for (const ProcessEntry& process : ListProcesses((root / "proc").string())) {
        // The rule's ID_MM_DEVICE_IGNORE keeps ModemManager off the adapters.
        if (ProbesNewPorts(process.name) && !(ruleInstalled && process.name == "ModemManager"))
            byName[process.name].push_back({process.pid, process.name});
    }
    std::vector<EnvironmentWarning> warnings;
    for (const auto& [name, running] : byName)
        warnings.push_back(ProgramWarning(name, running));
    return warnings;
}

// Who this process is to the kernel's permission checks.
struct ProcessIdentity {
    unsigned uid = 0;            // effective
    std::vector<unsigned> gids;  // effective and supplementary

    bool InGroup(unsigned gid) const {
        return std::find(gids.begin(), gids.end(), gid) != gids.end();
    }
};

std::vector<unsigned> Numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<unsigned> numbers;
    for (unsigned number = 0; in >> number;)
        numbers.push_back(number);
    return numbers;
}

// From proc/self/status: "Uid:\treal\teffective\tsaved\tfs", "Gid:" the
// same, "Groups:\t20 27"; nothing when it cannot be read.
std::optional<ProcessIdentity> ReadIdentity(const fs::path& status) {
    std::ifstream in(status);
    std::optional<unsigned> uid;
    ProcessIdentity identity;
    for (std::string line; std::getline(in, line);) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon);
        const std::vector<unsigned> values = Numbers(line.substr(colon + 1));
        if (key == "Uid" && values.size() >= 2)
            uid = values[1];
        else if (key == "Gid" && values.size() >= 2)
            identity.gids.push_back(values[1]);
        else if (key == "Groups")
            identity.gids.insert(identity.gids.end(), values.begin(), values.end());
    }
    if (!uid)
        return std::nullopt;
    identity.uid = *uid;
    return identity;
}

std::vector<std::string> Fields(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);)
        fields.push_back(field);
    return fields;
}

struct GroupEntry {
    std::string name;
    unsigned gid = 0;
    std::vector<std::string> members;
};

// etc/group: "dialout:x:20:ann,bob".
std::vector<GroupEntry> ReadGroups(const fs::path& file) {
    std::vector<GroupEntry> groups;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> fields = Fields(line, ':');
        const std::vector<unsigned> gid =
            fields.size() >= 3 ? Numbers(fields[2]) : std::vector<unsigned>{};
        if (gid.size() != 1)
            continue;
        groups.push_back(
            {fields[0], gid[0],
             fields.size() >= 4 ? Fields(fields[3], ',') : std::vector<std::string>{}});
    }
    return groups;
}

// etc/passwd: "ann:x:1000:1000:...": the name of `uid`, empty when unknown.
std::string UserName(const fs::path& file, unsigned uid) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> fields = Fields(line, ':');
        if (fields.size() >= 3 && Numbers(fields[2]) == std::vector<unsigned>{uid})
            return fields[0];
    }
    return {};
}

bool MayOpen(const ProcessIdentity& identity, const struct stat& device) {
    const auto readWrite = [&](mode_t bits) { return (device.st_mode & bits) == bits; };
    // The kernel takes the first class that fits: owner, group, others.
    if (device.st_uid == identity.uid)
        return readWrite(S_IRUSR | S_IWUSR);
    if (identity.InGroup(device.st_gid))
        return readWrite(S_IRGRP | S_IWGRP);
    return readWrite(S_IROTH | S_IWOTH);
}

class AccessCheck {
  public:
    AccessCheck(const fs::path& root, ProcessIdentity identity)
        : identity_(std::move(identity)),
          groups_(ReadGroups(root / "etc/group")),
          user_(UserName(root / "etc/passwd", identity_.uid)) {}

    // One warning for each group of ports this user may not open.
    std::vector<EnvironmentWarning> Ports(const std::vector<fs::path>& ports) const {
        std::vector<EnvironmentWarning> warnings;
        std::vector<unsigned> said;  // one warning a group
        for (const fs::path& port : ports) {
            struct stat device {};
            if (stat(port.c_str(), &device) != 0 || MayOpen(identity_, device) ||
                std::find(said.begin(), said.end(), device.st_gid) != said.end())
                continue;
            said.push_back(device.st_gid);
            const std::string name = "/dev/" + port.filename().string();
            if ((device.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
                warnings.push_back(MachineWarning(
                    "access", "this user may not open " + name + ": only its owner may",
                    "install the udev rule " + std::string(kUdevRuleName) +
                        ", which gives the adapters' ports the group dialout and mode 0660"));
                continue;
            }
            warnings.push_back(NotInGroup(name + " belongs to the group", device.st_gid));
        }
        return warnings;
    }

    // With no port plugged in: the group udev gives new ones.
    std::vector<EnvironmentWarning> NewPorts() const {
        const GroupEntry* dialout = Group("dialout");
        if (dialout == nullptr || identity_.InGroup(dialout->gid))
            return {};
        return {NotInGroup("udev gives new ports the group", dialout->gid)};
    }

  private:
    const GroupEntry* Group(const std::string& name) const {
        const auto found =
            std::find_if(groups_.begin(), groups_.end(),
                         [&](const GroupEntry& group) { return group.name == name; });
        return found == groups_.end() ? nullptr : &*found;
    }

    EnvironmentWarning NotInGroup(const std::string& what, unsigned gid) const {
        const auto found = std::find_if(groups_.begin(), groups_.end(),
                                        [&](const GroupEntry& group) { return group.gid == gid; });
        const std::string name = found != groups_.end() ? found->name : std::to_string(gid);
        const std::string start =
            "this user may not open serial ports: " + what + " '" + name + "', ";
        const bool joined =
            found != groups_.end() && !user_.empty() &&
            std::find(found->members.begin(), found->members.end(), user_) != found->members.end();
        if (joined)
            return MachineWarning("access",
                                  start + "which " + user_ + " joined after this login began",
                                  "log out and in again: a login takes its groups when it starts");
        return MachineWarning("access", start + "which this user is not in", JoinGroupAdvice(name));
    }

    ProcessIdentity identity_;
    std::vector<GroupEntry> groups_;
    std::string user_;
};

// The ports of USB serial adapters in `dev`, by name.
std::vector<fs::path> AdapterPorts(const fs::path& dev) {
    std::vector<fs::path> ports;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dev, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
            ports.push_back(entry.path());
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

std::vector<EnvironmentWarning> AccessWarnings(const fs::path& root) {
    const auto identity = ReadIdentity(root / "proc/self/status");
    if (!identity || identity->uid == 0)
        return {};  // unknown, or root, who may open any port
    const AccessCheck check(root, *identity);
    const std::vector<fs::path> ports = AdapterPorts(root / "dev");
    return ports.empty() ? check.NewPorts() : check.Ports(ports);
}

}  // namespace

std::vector<EnvironmentWarning> UnixEnvironmentWarnings(const fs::path& root) {
    std::vector<EnvironmentWarning> warnings = ProgramWarnings(root);
    for (EnvironmentWarning& warning : AccessWarnings(root))
        warnings.push_back(std::move(warning));
    for (EnvironmentWarning& warning : LatencyWarnings(SysfsLatencyTimers(root / "sys")))
        warnings.push_back(std::move(warning));
    return warnings;
}
