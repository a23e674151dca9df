#pragma once
// Records what a PulseAudio sink plays, through `parec`, for the real-audio tests and the
// benchmarks: 44,100 Hz, 16-bit, two channels, with the time each piece of it arrived.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class SoundCapture {
  public:
    using Clock = std::chrono::steady_clock;

    // When a read from parec returned, and how many frames had arrived by then.
    struct Arrival {
        Clock::time_point at;
        std::size_t frames;
    };

    SoundCapture() = default;
    SoundCapture(const SoundCapture&) = delete;
    SoundCapture& operator=(const SoundCapture&) = delete;
    ~SoundCapture() { stop(); }

    // Starts parec on `source` (a source name such as "nullout.monitor"), or, when
    // sinkInput is given, on that one stream only. Returns false if it could not be started.
    bool start(const std::string& source, std::optional<unsigned> sinkInput = std::nullopt) {
        std::vector<std::string> args = {"parec",        "--raw",        "--format=s16le",
                                         "--rate=44100", "--channels=2", "--latency-msec=10",
                                         "-d",           source};
        if (sinkInput) {
            args.push_back("--monitor-stream=" + std::to_string(*sinkInput));
        }
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);

        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", 0, 0);
        const int rc = posix_spawnp(&pid_, "parec", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            pid_ = 0;
            return false;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] { readLoop(); });
        return true;
    }

    // Waits until audio (silent or not) is flowing: an idle sink takes a while to wake up,
    // and whatever plays before that is lost.
    bool waitUntilFlowing(std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (frames() >= 4410) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Waits until `count` more frames have arrived than now.
    bool waitForMore(std::size_t count, std::chrono::milliseconds limit) {
        const std::size_t target = frames() + count;
        const auto end = Clock::now() + limit;
        while (frames() < target) {
            if (Clock::now() >= end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    void stop() {
        if (pid_ != 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
        if (reader_.joinable()) {
            reader_.join();
        }
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

    std::size_t frames() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return samples_.size() / 2;
    }
    // Interleaved left, right samples.
    std::vector<std::int16_t> samples() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return samples_;
    }
    std::vector<Arrival> arrivals() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return arrivals_;
    }

  private:
    void readLoop() {
        std::vector<unsigned char> buffer(65536);
        std::vector<unsigned char> pending;
        for (;;) {
            const ssize_t n = read(fd_, buffer.data(), buffer.size());
            if (n <= 0) {
                return;
            }
            const auto now = Clock::now();
            pending.insert(pending.end(), buffer.begin(), buffer.begin() + n);
            const std::size_t whole = pending.size() / 4 * 4;
            const std::lock_guard<std::mutex> lock(mutex_);
            for (std::size_t i = 0; i < whole; i += 2) {
                samples_.push_back(static_cast<std::int16_t>(pending[i] | (pending[i + 1] << 8)));
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(whole));
            arrivals_.push_back({now, samples_.size() / 2});
        }
    }

    pid_t pid_ = 0;
    int fd_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    std::vector<Arrival> arrivals_;
};

// The index of the sink input (the stream) the process `pid` plays through, if any.
inline std::optional<unsigned> sinkInputOfProcess(int pid) {
    FILE* list = popen("pactl list sink-inputs 2>/dev/null", "r");
    if (list == nullptr) {
        return std::nullopt;
    }
    std::optional<unsigned> found;
    std::optional<unsigned> current;
    const std::string wanted = "application.process.id = \"" + std::to_string(pid) + "\"";
    char line[1024];
    while (fgets(line, sizeof line, list) != nullptr) {
        const std::string text(line);
        if (text.rfind("Sink Input #", 0) == 0) {
            current = static_cast<unsigned>(std::stoul(text.substr(12)));
        } else if (current && text.find(wanted) != std::string::npos) {
            found = current;
        }
    }
    pclose(list);
    return found;
}
