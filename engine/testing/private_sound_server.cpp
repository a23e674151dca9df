#include "engine/testing/private_sound_server.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

bool answers() {
    return std::system("pactl info >/dev/null 2>&1") == 0;
}

}  // namespace

PrivateSoundServer::PrivateSoundServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumtone-pulse-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    folder_ = pattern;
    for (const char* sub : {"/run", "/state", "/home"}) {
        std::filesystem::create_directories(folder_ + sub);
    }
    setenv("PULSE_SERVER", ("unix:" + folder_ + "/run/native").c_str(), 1);
    setenv("PULSE_COOKIE", (folder_ + "/cookie").c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (folder_ + "/run").c_str(), 1);
    setenv("PULSE_STATE_PATH", (folder_ + "/state").c_str(), 1);
}

PrivateSoundServer::~PrivateSoundServer() {
    kill();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

bool PrivateSoundServer::installed() {
    return std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") == 0;
}

bool PrivateSoundServer::start() {
    if (folder_.empty() || pid_ != 0) {
        return false;
    }
    // The null sink without rewinds, so that its monitor records exactly what was played.
    std::vector<std::string> args = {
        "pulseaudio",
        "-n",
        "--daemonize=no",
        "--system=no",
        "--use-pid-file=no",
        "--exit-idle-time=-1",
        "--disallow-exit",
        "--realtime=no",
        "--high-priority=no",
        "--log-target=stderr",
        "-L",
        "module-native-protocol-unix auth-anonymous=1 socket=" + folder_ + "/run/native",
        "-L",
        "module-null-sink sink_name=nullout rate=44100 channels=2 format=s16le norewinds=1"};
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // The daemon's HOME is the test's folder, so that it writes nothing into the real one. It
    // gets no session bus (not even one launched through the X display), where another daemon
    // may hold the server's name already and make it quit.
    std::vector<std::string> environment = {"HOME=" + folder_ + "/home",
                                            "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text(*variable);
        if (text.rfind("HOME=", 0) != 0 && text.rfind("DISPLAY=", 0) != 0 &&
            text.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) != 0) {
            environment.push_back(text);
        }
    }
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (auto& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = folder_ + "/log";
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int rc = posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = 0;
        return false;
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < limit) {
        if (answers()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void PrivateSoundServer::kill() {
    if (pid_ != 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
}

bool PrivateSoundServer::pactl(const std::string& arguments) {
    return std::system(("pactl " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}
