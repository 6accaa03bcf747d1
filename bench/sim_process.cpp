#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

SimProcess::~SimProcess() {
    Stop();
}

bool SimProcess::Start(const std::string& program, const std::vector<std::string>& args,
                       std::string& error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = "cannot create a pipe";
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(fds[1]);
    output_ = fds[0];
    if (pid_ < 0) {
        error = "cannot start " + program;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    char c = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{output_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        if (::read(output_, &c, 1) != 1)
            break;
        if (c == '\n')
            return true;
        address_ += c;
    }
    error = program + " did not say where it listens";
    return false;
}

void SimProcess::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
}
