#pragma once

// Runs the built vellumtone-cli as a child process, as a user would.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_cli {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder, removed with everything in it when the test ends.
struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "vellumtone-cli-test.XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path); }
    fs::path operator/(const std::string& name) const { return path / name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

struct Finished {
    int exitCode = -1;  // -1 when killed by a signal
    int signal = 0;
    std::string out, err;
};

struct ChildOptions {
    std::vector<std::pair<std::string, std::string>> environment;
    std::optional<rlim_t> fileSizeLimit;  // bytes
    bool ignoreHangUp = false;            // as nohup starts it
    int stdoutFd = -1;                    // instead of a file
};

// Plays through SDL's dummy driver, which keeps real-time pace without a sound server.
inline const ChildOptions kQuietOutput{
    {{"SDL_AUDIODRIVER", "dummy"}, {"PULSE_SERVER", "unix:/nonexistent"}}, {}, false, -1};

// The child's standard output and error go to files in `folder`.
class Child {
  public:
    Child(std::vector<std::string> arguments, const fs::path& folder,
          const ChildOptions& options = {})
        : out_(folder / ".stdout"), err_(folder / ".stderr") {
        fs::remove(out_);
        pid_ = fork();
        if (pid_ != 0) {
            return;
        }
        for (const auto& [name, value] : options.environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        if (options.fileSizeLimit) {
            const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::signal(SIGHUP, options.ignoreHangUp ? SIG_IGN : SIG_DFL);
        if (!freopen(out_.c_str(), "w", stdout) || !freopen(err_.c_str(), "w", stderr) ||
            (options.stdoutFd >= 0 && dup2(options.stdoutFd, STDOUT_FILENO) < 0)) {
            _exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(VELLUMTONE_CLI_PATH)};
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void signal(int number) const { kill(pid_, number); }
    std::string outSoFar() const { return readFile(out_); }

    // Waits for the end; a child that outlives the limit is killed and fails the test.
    Finished wait(std::chrono::seconds limit = std::chrono::seconds(60)) {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "vellumtone-cli did not end within " << limit.count() << " s";
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                WIFSIGNALED(status) ? WTERMSIG(status) : 0, readFile(out_), readFile(err_)};
    }

  private:
    fs::path out_, err_;
    pid_t pid_ = -1;
};

inline Finished runCli(const std::vector<std::string>& arguments, const fs::path& folder,
                       const ChildOptions& options = {}) {
    return Child(arguments, folder, options).wait();
}

}  // namespace testing_cli
