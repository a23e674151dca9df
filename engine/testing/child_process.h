#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// A program a test starts (sh running the command-line tool, parec, pactl, the sound server,
// a bus), found on PATH unless the name has a slash. Its standard output goes to a file in
// memory, readable at any time; its standard error is discarded. Still running when
// destroyed, it is ended with SIGTERM.
class ChildProcess {
  public:
    explicit ChildProcess(const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    void signal(int number) const;
    // Waits for it to end: its exit code, or 128 + the signal that ended it.
    int wait();
    // All it has written so far.
    std::string output() const;

  private:
    bool started_ = false;
    pid_t pid_ = 0;
    int status_ = -1;
    int output_;  // the file its standard output goes to
};

// Runs a program to its end: its standard output when it exited with 0, else nothing.
std::optional<std::string> runProgram(const std::vector<std::string>& arguments);
