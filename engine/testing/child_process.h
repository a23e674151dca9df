#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A program a test starts (sh running the command-line tool, parec, pactl, the sound server,
// a bus), found on PATH unless the name has a slash. Its standard output is collected as it
// arrives; its standard error is discarded. Still running when destroyed, it is ended with SIGTERM.
class ChildProcess {
  public:
    using Clock = std::chrono::steady_clock;
    // When a read of its output returned, and how many bytes had arrived by then.
    struct Arrival {
        Clock::time_point at;
        std::size_t bytes;
    };

    explicit ChildProcess(const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    void signal(int number) const;
    // Waits for it to end and for the end of its output: its exit code, or 128 + the signal
    // that ended it.
    int wait();

    std::string output() const { return locked(output_); }
    std::size_t outputSize() const {
        const std::lock_guard lock(mutex_);
        return output_.size();
    }
    std::vector<Arrival> arrivals() const { return locked(arrivals_); }

  private:
    template <typename T>
    T locked(const T& value) const {
        const std::lock_guard lock(mutex_);
        return value;
    }

    bool started_ = false;
    pid_t pid_ = 0;
    int status_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::string output_;
    std::vector<Arrival> arrivals_;
};

// Runs a program to its end: its standard output when it exited with 0, else nothing.
std::optional<std::string> runProgram(const std::vector<std::string>& arguments);
