// Real audio, end to end, each test on a PulseAudio server of its own: what the default sink
// hears of two playbacks, a server that comes and goes during a playback and then changes its
// default sink, and the SDL fallback where no server answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "engine/linux/pulse_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/sound_capture.h"
#include "engine/testing/test_services.h"

namespace {

using namespace std::chrono_literals;

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

// A recording's sound from sample `from` on: from the frame before its first sound (a tone's
// first sample is 0) to its last sound, in interleaved samples.
std::vector<std::int16_t> sound(const std::vector<std::int16_t>& samples, std::ptrdiff_t from = 0) {
    const auto loud = [](std::int16_t s) { return s != 0; };
    const auto first = std::find_if(samples.begin() + from, samples.end(), loud) - samples.begin();
    const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base() - samples.begin();
    return {samples.begin() + std::max(first / 2 * 2 - 2, from),
            samples.begin() + (end + 1) / 2 * 2};
}

// The first `count` samples of the tone of `hertz` at the default level on both channels,
// its 1 s block repeated.
std::vector<std::int16_t> tone(std::uint32_t hertz, std::size_t count) {
    const std::vector<int> block =
        reference({.kind = GeneratorKind::PureTone, .toneFrequency = hertz});
    std::vector<std::int16_t> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::int16_t>(block[i / 2 % block.size()]);
    }
    return out;
}

// Each test on a PulseAudio daemon of its own, with one null sink named "nullout" as its
// default, in a temporary folder. The environment points every libpulse client of this
// process (the device, parec, pactl) at it; the daemon runs only between startServer() and
// killServer(), so a test can take the server away and bring it back on the same socket.
class PulseDevice : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(runProgram({"sh", "-c", "command -v pulseaudio"}), "pulseaudio");
        player.restoreDefaults();
        completions = 0;
        std::string pattern = std::filesystem::temp_directory_path() / "vellumtone-pulse-XXXXXX";
        folder_ = mkdtemp(pattern.data()) != nullptr ? pattern : "/nonexistent";
        std::filesystem::create_directories(folder_ + "/home");
        setenv("PULSE_SERVER", ("unix:" + folder_ + "/native").c_str(), 1);
        setenv("PULSE_COOKIE", (folder_ + "/cookie").c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", folder_.c_str(), 1);
        setenv("PULSE_STATE_PATH", folder_.c_str(), 1);
    }
    void TearDown() override {
        player.setDevice(nullptr);
        killServer();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    // Starts the daemon and waits until it answers.
    bool startServer() {
        // HOME in the test's folder and no session bus (where another daemon may hold the
        // server's name and make it quit); the null sink without rewinds, so that its monitor
        // records exactly what was played.
        server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "env", "-u", "DISPLAY", "HOME=" + folder_ + "/home",
            "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent", "pulseaudio", "-n", "--daemonize=no",
            "--exit-idle-time=-1", "--realtime=no", "--high-priority=no", "-L",
            "module-native-protocol-unix auth-anonymous=1 socket=" + folder_ + "/native", "-L",
            "module-null-sink sink_name=nullout rate=44100 channels=2 format=s16le norewinds=1"});
        return eventually([] { return runProgram({"pactl", "info"}).has_value(); });
    }
    // Ends the daemon at once, as a crash would, and waits for it.
    void killServer() {
        if (server_) {
            server_->signal(SIGKILL);
            server_.reset();
        }
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
    std::unique_ptr<OutputDevice> device_;
};

// Two playbacks of a tone, each heard from its first sample to the stop exactly as the
// reference gives it: the second starts with nothing left over from the first.
TEST_F(PulseDevice, PlaysEachPlaybackSampleForSampleAndLeavesTheSinkAloneWhenIdle) {
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
        capture.waitForMore(std::size_t{seconds} * kSampleRate);
        stop();
        EXPECT_TRUE(eventually(noRunningStream)) << "idle after Stop";
        capture.waitForMore(kSampleRate / 2);
        const auto heard = sound(capture.samples(), from);
        EXPECT_GE(heard.size(), std::size_t{2} * seconds * kSampleRate);  // blocks refilled
        EXPECT_TRUE(heard == tone(hertz, heard.size()));
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

// No PulseAudio server: SDL plays instead, here through its file-writing driver.
TEST_F(PulseDevice, FallsBackToSdlWithoutServer) {
    const std::string file = std::filesystem::temp_directory_path() /
                             ("vellumtone-sdl-" + std::to_string(getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    open(openOutputDevice());
    EXPECT_EQ(dynamic_cast<PulseOutputDevice*>(device_.get()), nullptr);
    play(GeneratorKind::PureTone);
    // SDL writes silence until the first block arrives, then the blocks.
    EXPECT_TRUE(eventually([&] {
        std::error_code missing;
        return std::filesystem::file_size(file, missing) >= std::uintmax_t{3} * kSampleRate * 4 &&
               !missing;
    }));
    stop();
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(file);
    const auto heard = sound(samplesOf(bytes));
    EXPECT_GE(heard.size(), std::size_t{4} * kSampleRate);
    EXPECT_TRUE(heard == tone(1000, heard.size()));
}

}  // namespace
