#pragma once

// Runs the built vellumtone-cli as a child process for the end-to-end tests.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_cli {

namespace fs = std::filesystem;

inline const char* const kCliPath = VELLUMTONE_CLI_PATH;

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder, removed with everything in it when the test ends.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "vellumtone-cli-test.XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

  private:
    fs::path path_;
};

struct Finished {
    bool exited = false;
    int exitCode = -1;  // when exited
    int signal = 0;     // when killed by a signal
    std::string out;
    std::string err;
};

struct ChildOptions {
    // Variables to set (or, with no value, to remove) in the child's environment.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    std::optional<rlim_t> fileSizeLimit;  // bytes
};

// A child process whose standard output and error go to files in `folder`.
class Child {
  public:
    Child(const std::vector<std::string>& arguments, const fs::path& folder,
          const ChildOptions& options = {})
        : outPath_(folder / ".child-stdout"), errPath_(folder / ".child-stderr") {
        pid_ = fork();
        if (pid_ == 0) {
            for (const auto& [name, value] : options.environment) {
                if (value) {
                    setenv(name.c_str(), value->c_str(), 1);
                } else {
                    unsetenv(name.c_str());
                }
            }
            if (options.fileSizeLimit) {
                const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (!freopen(outPath_.c_str(), "w", stdout) ||
                !freopen(errPath_.c_str(), "w", stderr)) {
                _exit(126);
            }
            std::vector<char*> argv;
            std::string program = kCliPath;
            argv.push_back(program.data());
            std::vector<std::string> copies = arguments;
            for (auto& argument : copies) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }
    void signal(int number) const { kill(pid_, number); }
    std::string outSoFar() const { return readFile(outPath_); }

    // Waits for the child to end; one that outlives the limit is killed and fails the test.
    Finished wait(std::chrono::seconds limit = std::chrono::seconds(60)) {
        Finished result;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "vellumtone-cli did not end within " << limit.count() << " s";
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        result.exited = WIFEXITED(status);
        result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        result.out = readFile(outPath_);
        result.err = readFile(errPath_);
        std::error_code ignored;
        fs::remove(outPath_, ignored);
        fs::remove(errPath_, ignored);
        return result;
    }

  private:
    fs::path outPath_;
    fs::path errPath_;
    pid_t pid_ = -1;
};

inline Finished runCli(const std::vector<std::string>& arguments, const fs::path& folder,
                       const ChildOptions& options = {}) {
    Child child(arguments, folder, options);
    return child.wait();
}

}  // namespace testing_cli
