#include "port_holders.h"

std::string PortHolderList(const std::vector<PortHolder>& holders) {
    std::string text;
    for (size_t i = 0; i < holders.size(); ++i) {
        if (i > 0)
            text += i + 1 == holders.size() ? " and " : ", ";
        text += holders[i].name + " (PID " + std::to_string(holders[i].pid) + ")";
    }
    return text;
}

std::string UnreadableHoldersNote(const PortHolders& found) {
    if (found.unreadable == 0)
        return {};
    std::string note = std::to_string(found.unreadable) +
                       (found.unreadable == 1 ? " process" : " processes") +
                       " of other users could not be checked";
    if (!found.suspects.empty()) {
        note += "; among them " + PortHolderList(found.suspects) +
                (found.suspects.size() == 1 ? " runs, which takes" : " run, which take") +
                " serial ports";
    }
    return note;
}
