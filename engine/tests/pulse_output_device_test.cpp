// Real audio, end to end, each test on a PulseAudio server of its own: what the default sink
// hears of two playbacks, a server that comes and goes during a playback and then changes its
// default sink, and the SDL fallback where no server answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>

#include "engine/linux/pulse_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/private_sound_server.h"
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

// A recording's sound: from the frame before its first sound (a tone's first sample is 0) to
// its last sound, in interleaved samples.
std::vector<std::int16_t> sound(const std::vector<std::int16_t>& samples) {
    const auto loud = [](std::int16_t s) { return s != 0; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud) - samples.begin();
    const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base() - samples.begin();
    return {samples.begin() + std::max<std::ptrdiff_t>(first / 2 * 2 - 2, 0),
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

class PulseDevice : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(runProgram({"sh", "-c", "command -v pulseaudio"}), "pulseaudio");
        player.restoreDefaults();
        completions = 0;
    }
    void TearDown() override {
        player.setDevice(nullptr);
        player.setEndNotice(nullptr);
    }
    void open(OpenResult opened, const std::string& error = "") {
        EXPECT_EQ(opened.error, error);
        ASSERT_NE(opened.device, nullptr);
        device_ = std::move(opened.device);
        player.setDevice(device_.get());
    }
    // Plays as the Play button does; the future is ready once the playback has ended.
    static std::future<PlaybackEnd> play(GeneratorKind kind) {
        auto ended = std::make_shared<std::promise<PlaybackEnd>>();
        player.setEndNotice([ended](PlaybackEnd how) { ended->set_value(how); });
        player.chooseGenerator(kind);
        EXPECT_EQ(player.play(), PlayOutcome::Started);
        return ended->get_future();
    }
    static void stop(std::future<PlaybackEnd>& ended) {
        player.stop();
        ASSERT_EQ(ended.wait_for(10s), std::future_status::ready);
    }

    std::unique_ptr<OutputDevice> device_;
    PrivateSoundServer server_;
};

// Two playbacks of a tone, each heard from its first sample to the stop exactly as the
// reference gives it: the second starts with nothing left over from the first.
TEST_F(PulseDevice, PlaysEachPlaybackSampleForSampleAndLeavesTheSinkAloneWhenIdle) {
    ASSERT_TRUE(server_.start());
    open(openOutputDevice());
    EXPECT_TRUE(player.outputAvailable());
    EXPECT_TRUE(noRunningStream()) << "idle before the first Play";
    SoundCapture capture;
    ASSERT_TRUE(capture.start("nullout.monitor"));
    // More than the two blocks queued at the start: the device's completions refill them.
    for (const auto& [hertz, seconds] : {std::pair{1000U, 3U}, {440U, 1U}}) {
        const auto from = static_cast<std::ptrdiff_t>(2 * capture.frames());
        player.toneFrequency = hertz;
        auto ended = play(GeneratorKind::PureTone);
        ASSERT_TRUE(capture.waitForSound());
        capture.waitForMore(std::size_t{seconds} * kSampleRate);
        stop(ended);
        EXPECT_TRUE(eventually(noRunningStream)) << "idle after Stop";
        capture.waitForMore(kSampleRate / 2);
        const std::vector<std::int16_t> samples = capture.samples();
        const auto heard = sound({samples.begin() + from, samples.end()});
        EXPECT_GE(heard.size(), std::size_t{2} * seconds * kSampleRate);  // blocks refilled
        EXPECT_TRUE(heard == tone(hertz, heard.size()));
    }
}

TEST_F(PulseDevice, KeepsTheScheduleWithoutServerPlaysAgainWhenItReturnsAndFollowsTheDefaultSink) {
    // No server at start-up: a device all the same, which says why it cannot play.
    open(openPulseOutputDevice(&countCompletion), "Error: No device driver is present.");
    EXPECT_FALSE(player.outputAvailable());
    auto ended = play(GeneratorKind::PinkNoise);
    // Offline the blocks complete at real-time pace; the server comes, goes and comes back.
    for (int round = 0; round < 2; ++round) {
        const int before = completions;
        EXPECT_TRUE(eventually([&] { return completions > before; })) << "blocks stopped";
        ASSERT_TRUE(server_.start());
        SoundCapture capture;
        ASSERT_TRUE(capture.start("nullout.monitor"));
        EXPECT_TRUE(capture.waitForSound()) << "no sound after the server came";
        EXPECT_TRUE(player.outputAvailable());
        capture.stop();
        if (round == 0) {
            server_.kill();
            EXPECT_TRUE(eventually([&] { return !player.outputAvailable(); }));
        }
    }
    // A new default sink: the playing stream follows it.
    ASSERT_TRUE(runProgram({"pactl", "load-module", "module-null-sink", "sink_name=second"}));
    SoundCapture second;
    ASSERT_TRUE(second.start("second.monitor"));
    ASSERT_TRUE(runProgram({"pactl", "set-default-sink", "second"}));
    EXPECT_TRUE(second.waitForSound()) << "the playback stayed on the old default sink";
    stop(ended);
    EXPECT_TRUE(eventually(noRunningStream));
}

// No PulseAudio server: SDL plays instead, here through its file-writing driver.
TEST_F(PulseDevice, FallsBackToSdlWithoutServer) {
    const std::string file = std::filesystem::temp_directory_path() /
                             ("vellumtone-sdl-" + std::to_string(getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    open(openOutputDevice());
    EXPECT_EQ(dynamic_cast<PulseOutputDevice*>(device_.get()), nullptr);
    auto ended = play(GeneratorKind::PureTone);
    // SDL writes silence until the first block arrives, then the blocks.
    EXPECT_TRUE(eventually([&] {
        std::error_code missing;
        return std::filesystem::file_size(file, missing) >= std::uintmax_t{3} * kSampleRate * 4 &&
               !missing;
    }));
    stop(ended);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(file);
    const auto heard = sound(samplesOf(bytes));
    EXPECT_GE(heard.size(), std::size_t{4} * kSampleRate);
    EXPECT_TRUE(heard == tone(1000, heard.size()));
}

}  // namespace
