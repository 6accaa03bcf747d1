#include "background_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Polls `done` every 10 ms until it holds or `timeoutMs` passed.
template <typename Condition>
bool PollUntil(Condition done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv, const std::string& input,
                                     const std::string& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!input.empty())
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY | O_NOCTTY, 0);
    if (!output.empty())
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    std::vector<std::string> words = argv;
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundProcess::~BackgroundProcess() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
}

bool BackgroundProcess::WaitUntilReading(const std::string& path, int timeoutMs) const {
    struct stat device {};
    if (pid_ <= 0 || stat(path.c_str(), &device) != 0)
        return false;
    const std::string input = "/proc/" + std::to_string(pid_) + "/fd/0";
    return PollUntil(
        [&] {
            struct stat held {};
            return stat(input.c_str(), &held) == 0 && held.st_rdev == device.st_rdev;
        },
        timeoutMs);
}

std::string WaitForFirstLine(const std::string& path, int timeoutMs) {
    std::string line;
    PollUntil(
        [&] {
            std::ifstream in(path);
            std::string text((std::istreambuf_iterator<char>(in)), {});
            const size_t end = text.find('\n');
            if (end == std::string::npos)
                return false;
            line = text.substr(0, end);
            return true;
        },
        timeoutMs);
    return line;
}
