#include "slot_scan.h"

#include <set>

#include "path_text.h"

namespace fs = std::filesystem;

SlotScan ScanSlotFolder(const fs::path& folder) {
    std::map<std::string, fs::path> names;  // in name order
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = PathText(entry.path().filename());
        if (name.empty() || name.front() == '.')
            continue;
        names.emplace(name, entry.path());
    }
    SlotScan scan;
    std::set<fs::path> devices;
    for (const auto& [name, link] : names) {
        const fs::path device = fs::canonical(link, ec);
        if (ec || !devices.insert(device).second)
            continue;
        scan.emplace(name, SlotLink{link, device});
    }
    return scan;
}
