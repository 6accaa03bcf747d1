#include "holding_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

HoldingProcess::HoldingProcess(const std::string& port) : port_(port) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, port.c_str(), O_RDONLY | O_NOCTTY, 0);
    char cat[] = "cat";
    char* argv[] = {cat, nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "cat", &actions, nullptr, argv, environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

HoldingProcess::~HoldingProcess() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
}

bool HoldingProcess::WaitUntilHolding(int timeoutMs) const {
    if (pid_ <= 0)
        return false;
    struct stat port {};
    if (stat(port_.c_str(), &port) != 0)
        return false;
    const std::string input = "/proc/" + std::to_string(pid_) + "/fd/0";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        struct stat held {};
        if (stat(input.c_str(), &held) == 0 && held.st_rdev == port.st_rdev)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
