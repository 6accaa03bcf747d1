#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "keep_awake.h"

extern char** environ;

namespace {

// systemd-inhibit says within this time when logind refuses it.
constexpr int kRefusalWithinMs = 500;

}  // namespace

// systemd-inhibit runs `cat`, which ends, and the lock with it, when the
// pipe on its standard input closes: at the end of the station, or when
// the station is killed, since the kernel then closes the pipe.
KeepAwake::KeepAwake(const std::string& why) {
    int input[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
        problem_ = std::string("the machine may sleep while the station runs: ") +
                   std::strerror(errno);
        for (const int fd : {input[0], input[1], errors[0], errors[1]}) {
            if (fd >= 0)
                close(fd);
        }
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group: Ctrl-C at the terminal is the station's to
    // handle, and the lock must last while the units stop.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const std::string whyOption = "--why=" + why;
    std::vector<std::string> args = {"systemd-inhibit", "--what=sleep:idle",
                                     "--who=printer-cli station", whyOption, "--mode=block",
                                     "cat"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "systemd-inhibit", &actions, &attributes, argv.data(),
                                     environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(input[0]);
    close(errors[1]);
    if (spawned != 0) {
        problem_ = "the machine may sleep while the station runs: systemd-inhibit cannot be "
                   "started (" + std::string(std::strerror(spawned)) + ")";
        close(input[1]);
        close(errors[0]);
        return;
    }
    child_ = pid;
    hold_ = input[1];
    // A refusal comes on its standard error and ends it; a lock held says
    // nothing, and the wait ends at the deadline.
    std::string said;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kRefusalWithinMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            break;
        pollfd fd{errors[0], POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = read(errors[0], buffer, sizeof buffer);
        if (n <= 0)
            break;  // its standard error closed: it has ended
        said.append(buffer, static_cast<size_t>(n));
    }
    close(errors[0]);
    int status = 0;
    if (waitpid(child_, &status, WNOHANG) == child_) {
        child_ = -1;
        close(hold_);
        hold_ = -1;
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
            said.pop_back();
        problem_ = "the machine may sleep while the station runs: systemd-inhibit: " +
                   (said.empty() ? std::string("refused") : said.substr(0, said.find('\n')));
    }
}

KeepAwake::~KeepAwake() {
    if (hold_ >= 0)
        close(hold_);
    if (child_ > 0) {
        // It ends once cat has read the end of its input; a stuck one is
        // not worth a hang at exit.
        for (int i = 0; i < 50; ++i) {
            if (waitpid(child_, nullptr, WNOHANG) == child_)
                return;
            usleep(10000);
        }
        kill(-child_, SIGTERM);
        waitpid(child_, nullptr, 0);
    }
}
