// Real audio, end to end, each test on a PulseAudio server of its own: what the default sink
// hears of two playbacks and the sleep lock they hold, and a server that comes and goes during
// a playback and then changes its default sink. (The command-line tool's test hears the SDL
// fallback.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "engine/linux/pulse_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/sound_capture.h"
#include "engine/testing/test_services.h"

namespace {

using testing::AllOf;
using testing::HasSubstr;

SignalPlayer& player = SignalPlayer::instance;

std::atomic<int> completions{0};
void countCompletion(OutputDevice* device, BlockHeader* header) {
    ++completions;
    onWaveOutDone(device, header);
}

// Idle is no stream at all, or only corked ones: the sink is free to suspend.
bool noRunningStream() {
    const auto streams = runProgram({"pactl", "list", "sink-inputs"});
    return streams && streams->find("Corked: no") == std::string::npos;
}

// Whether logind lists the lock a playback takes against sleep.
bool sleepLocked() {
    const auto listed =
        runProgram({"busctl", "--system", "call", "org.freedesktop.login1",
                    "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors"});
    return listed &&
           listed->find(R"( "sleep" "Vellumtone" "Burn-in playback" "block")") != std::string::npos;
}

// Ends the mock logind as an upgrade of systemd would, and starts another on the same bus.
std::unique_ptr<ChildProcess> restartLogind() {
    const auto owner = runProgram({"busctl", "--system", "call", "org.freedesktop.DBus",
                                   "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "GetConnectionUnixProcessID", "s", "org.freedesktop.login1"});
    const pid_t pid = owner ? std::atoi(owner->c_str() + 2) : 0;  // "u 1234"
    EXPECT_TRUE(pid > 0 && kill(pid, SIGTERM) == 0);
    EXPECT_TRUE(eventually([] {
        return !runProgram({"busctl", "--system", "status", "org.freedesktop.login1"});
    }));
    return std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"});
}

// A recording's sound from sample `from` on: from the frame before its first sound (a tone's
// first sample is 0) to its last sound, in interleaved samples.
std::vector<std::int16_t> sound(const std::vector<std::int16_t>& samples, std::ptrdiff_t from) {
    const auto loud = [](std::int16_t s) { return s != 0; };
    const auto first = std::find_if(samples.begin() + from, samples.end(), loud) - samples.begin();
    const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base() - samples.begin();
    return {samples.begin() + std::max(first / 2 * 2 - 2, from),
            samples.begin() + (end + 1) / 2 * 2};
}

// Whether the recording matches a playback of the tone of `hertz` at the default level.
bool isTone(const std::vector<std::int16_t>& heard, std::uint32_t hertz) {
    const auto tone = referencePlayback({.kind = GeneratorKind::PureTone, .toneFrequency = hertz},
                                        heard.size() / 2);
    return std::equal(heard.begin(), heard.end(), tone.begin());
}

// Each test on a PulseAudio daemon of its own, with one null sink named "nullout" as its
// default, and python3-dbusmock's logind on a bus of its own in place of the system bus, both
// started by scripts/services.sh in a temporary folder. The environment points every client of
// this process (the device, parec, pactl, busctl) at them. They run only between startServer()
// and killServer(), so a test can take the server away and bring it back on the same socket.
class PulseDevice : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(runProgram({"sh", "-c", "command -v pulseaudio"}), "pulseaudio");
        player.restoreDefaults();
        std::string pattern = std::filesystem::temp_directory_path() / "vellumtone-pulse-XXXXXX";
        folder_ = mkdtemp(pattern.data()) != nullptr ? pattern : "/nonexistent";
        setenv("PULSE_SERVER", ("unix:" + folder_ + "/pulse/run/native").c_str(), 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + folder_ + "/system_bus").c_str(), 1);
    }
    void TearDown() override {
        player.setDevice(nullptr);
        killServer();
    }
    // Starts them and waits until they answer.
    bool startServer() {
        server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "bash", "-c",
            "services_dir=$1 && source $0 && start_pulseaudio && start_logind && wait",
            VELLUMTONE_SERVICES_SCRIPT, folder_});
        return eventually([] {
            return runProgram({"pactl", "info"}) &&
                   runProgram({"busctl", "--system", "status", "org.freedesktop.login1"});
        });
    }
    // Ends them (the shell that started them stops them, and removes the folder).
    void killServer() {
        logind_.reset();
        server_.reset();
    }
    void open(OpenResult opened, const std::string& error = "") {
        EXPECT_EQ(opened.error, error);
        ASSERT_NE(opened.device, nullptr);
        device_ = std::move(opened.device);
        player.setDevice(device_.get());
    }
    // As the Play and Stop buttons do; the stop waits for the end of the playback.
    static void play(GeneratorKind kind) {
        player.chooseGenerator(kind);
        EXPECT_EQ(player.play(), PlayOutcome::Started);
    }
    static void stop() {
        EXPECT_TRUE(player.stop());
        ASSERT_TRUE(eventually([] { return player.playing.load() == 0; }));
    }

    std::string folder_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> logind_;  // a restarted mock logind
    std::unique_ptr<OutputDevice> device_;
};

// Two playbacks of a tone, each heard from its first sample to the stop exactly as the
// reference gives it: the second starts with nothing left over from the first. Each holds the
// sleep lock until it ends, also across a restart of logind. Mixers find the stream's role
// and icon.
TEST_F(PulseDevice, PlaysEachPlaybackSampleForSampleHoldingTheSleepLockAndThenLeavesTheSinkAlone) {
    ASSERT_TRUE(startServer());
    open(openOutputDevice());
    EXPECT_TRUE(player.outputAvailable());
    EXPECT_TRUE(noRunningStream()) << "idle before the first Play";
    SoundCapture capture;
    ASSERT_TRUE(capture.start("nullout.monitor"));
    // More than the two blocks queued at the start: the device's completions refill them.
    for (const auto& [hertz, seconds] : {std::pair{1000U, 3U}, {440U, 1U}}) {
        const auto from = static_cast<std::ptrdiff_t>(2 * capture.frames());
        player.toneFrequency = hertz;
        play(GeneratorKind::PureTone);
        ASSERT_TRUE(capture.waitForSound());
        EXPECT_TRUE(sleepLocked());
        if (hertz == 1000) {
            EXPECT_THAT(runProgram({"pactl", "list", "sink-inputs"}).value_or(""),
                        AllOf(HasSubstr(R"(media.role = "production")"),
                              HasSubstr(R"(application.icon_name = "vellumtone")"),
                              HasSubstr(R"(application.id = "vellumtone")")));
            // A restarted logind has forgotten the lock: the playback takes it again.
            logind_ = restartLogind();
            EXPECT_TRUE(eventually(sleepLocked)) << "the lock was not taken again";
        }
        capture.waitForMore(std::size_t{seconds} * kSampleRate);
        stop();
        EXPECT_TRUE(eventually(noRunningStream)) << "idle after Stop";
        EXPECT_TRUE(eventually([] { return !sleepLocked(); })) << "locked after Stop";
        capture.waitForMore(kSampleRate / 2);
        const auto heard = sound(capture.samples(), from);
        EXPECT_GE(heard.size(), std::size_t{2} * seconds * kSampleRate);  // blocks refilled
        EXPECT_TRUE(isTone(heard, hertz));
    }
}

TEST_F(PulseDevice, KeepsTheScheduleWithoutServerPlaysAgainWhenItReturnsAndFollowsTheDefaultSink) {
    // No server at start-up: a device all the same, which says why it cannot play.
    open(openPulseOutputDevice(&countCompletion), "Error: No device driver is present.");
    EXPECT_FALSE(player.outputAvailable());
    play(GeneratorKind::PinkNoise);
    // Offline the blocks complete at real-time pace; the server comes, goes and comes back.
    for (int round = 0; round < 2; ++round) {
        const int before = completions;
        EXPECT_TRUE(eventually([&] { return completions > before; })) << "blocks stopped";
        ASSERT_TRUE(startServer());
        SoundCapture capture;
        ASSERT_TRUE(capture.start("nullout.monitor"));
        EXPECT_TRUE(capture.waitForSound()) << "no sound after the server came";
        EXPECT_TRUE(player.outputAvailable());
        if (round == 0) {
            killServer();
            EXPECT_TRUE(eventually([&] { return !player.outputAvailable(); }));
        }
    }
    // A new default sink: the playing stream follows it.
    ASSERT_TRUE(runProgram({"pactl", "load-module", "module-null-sink", "sink_name=second"}));
    SoundCapture second;
    ASSERT_TRUE(second.start("second.monitor"));
    ASSERT_TRUE(runProgram({"pactl", "set-default-sink", "second"}));
    EXPECT_TRUE(second.waitForSound()) << "the playback stayed on the old default sink";
    stop();
}

}  // namespace
