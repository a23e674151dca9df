#include "engine/testing/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

ChildProcess::ChildProcess(const std::vector<std::string>& arguments)
    : output_(memfd_create("child-output", MFD_CLOEXEC)) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output_, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    started_ =
        output_ >= 0 && posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    signal(SIGTERM);
    signal(SIGCONT);  // a stopped process ends only once continued
    wait();
    close(output_);
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
    return status_;
}

std::string ChildProcess::output() const {
    // The file opened anew, so read from its start whatever the child is writing meanwhile.
    std::ostringstream text;
    text << std::ifstream("/proc/self/fd/" + std::to_string(output_), std::ios::binary).rdbuf();
    return text.str();
}

std::optional<std::string> runProgram(const std::vector<std::string>& arguments) {
    ChildProcess child(arguments);
    if (child.wait() != 0) {
        return std::nullopt;
    }
    return child.output();
}
