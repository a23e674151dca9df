#include "engine/testing/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

ChildProcess::ChildProcess(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    started_ = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    reader_ = std::thread([this, fd = fds[0]] {
        char buffer[65536];
        for (ssize_t n = 0; (n = read(fd, buffer, sizeof buffer)) > 0;) {
            const std::lock_guard lock(mutex_);
            output_.append(buffer, static_cast<std::size_t>(n));
            arrivals_.push_back({Clock::now(), output_.size()});
        }
        close(fd);
    });
}

ChildProcess::~ChildProcess() {
    signal(SIGTERM);
    wait();
}

void ChildProcess::signal(int number) const {
    if (started_ && status_ < 0) {
        kill(pid_, number);
    }
}

int ChildProcess::wait() {
    int status = 0;
    if (started_ && status_ < 0 && waitpid(pid_, &status, 0) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    return status_;
}

std::optional<std::string> runProgram(const std::vector<std::string>& arguments) {
    ChildProcess child(arguments);
    if (child.wait() != 0) {
        return std::nullopt;
    }
    return child.output();
}
