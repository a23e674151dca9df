#include "engine/testing/private_sound_server.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

PrivateSoundServer::PrivateSoundServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumtone-pulse-XXXXXX");
    folder_ = mkdtemp(pattern.data()) != nullptr ? pattern : "/nonexistent";
    std::filesystem::create_directories(folder_ + "/home");
    setenv("PULSE_SERVER", ("unix:" + folder_ + "/native").c_str(), 1);
    setenv("PULSE_COOKIE", (folder_ + "/cookie").c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", folder_.c_str(), 1);
    setenv("PULSE_STATE_PATH", folder_.c_str(), 1);
}

PrivateSoundServer::~PrivateSoundServer() {
    kill();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool PrivateSoundServer::start() {
    // HOME in the test's folder and no session bus (where another daemon may hold the
    // server's name and make it quit); the null sink without rewinds, so that its monitor
    // records exactly what was played.
    daemon_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        "env", "-u", "DISPLAY", "HOME=" + folder_ + "/home",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent", "pulseaudio", "-n", "--daemonize=no",
        "--exit-idle-time=-1", "--realtime=no", "--high-priority=no", "-L",
        "module-native-protocol-unix auth-anonymous=1 socket=" + folder_ + "/native", "-L",
        "module-null-sink sink_name=nullout rate=44100 channels=2 format=s16le norewinds=1"});
    for (int tries = 0; tries < 200; ++tries) {
        if (runProgram({"pactl", "info"})) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void PrivateSoundServer::kill() {
    if (daemon_) {
        daemon_->signal(SIGKILL);
        daemon_.reset();
    }
}
