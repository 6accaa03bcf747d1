#include "proc_processes.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>

namespace {

bool IsPid(const std::string& name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

std::vector<ProcessEntry> ListProcesses(const std::string& procRoot) {
    std::vector<ProcessEntry> processes;
    DIR* folder = opendir(procRoot.c_str());
    if (folder == nullptr)
        return processes;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        // A PID longer than an int is not a process either.
        if (!IsPid(name) || name.size() > 9)
            continue;
        const std::string path = procRoot + "/" + name;
        processes.push_back({std::stoi(name), FirstLine(path + "/comm"), path});
    }
    closedir(folder);
    std::sort(processes.begin(), processes.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    return processes;
}

bool ProbesNewPorts(const std::string& name) {
    return name == "ModemManager" || name == "brltty";
}
