#include "spawned_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

SpawnedProgram::SpawnedProgram(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    output_ = fds[0];
}

SpawnedProgram::~SpawnedProgram() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0)
        close(output_);
}

std::optional<std::string> SpawnedProgram::ReadLine(Clock::time_point deadline) {
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        if (output_ < 0)
            return std::nullopt;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd p{output_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) {
            close(output_);
            output_ = -1;
            continue;
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

std::optional<std::string> SpawnedProgram::ReadLineUntil(
    const std::function<bool(const std::string&)>& wanted, Clock::time_point deadline) {
    while (auto line = ReadLine(deadline)) {
        if (wanted(*line))
            return line;
    }
    return std::nullopt;
}

void SpawnedProgram::Signal(int signal) {
    if (pid_ > 0 && !ended_)
        kill(pid_, signal);
}

std::optional<int> SpawnedProgram::Wait(Clock::time_point deadline) {
    if (pid_ <= 0)
        return std::nullopt;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            ended_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
        // No child-exit descriptor to wait on: look again shortly.
        pollfd none{-1, 0, 0};
        poll(&none, 0, 10);
    }
}
