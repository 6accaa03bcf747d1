#include "ledger_lock.h"

std::filesystem::path StationLockPath(const std::filesystem::path& ledger,
                                      const std::string& station) {
    std::filesystem::path path = ledger;
    path += "." + station + ".lock";
    return path;
}
