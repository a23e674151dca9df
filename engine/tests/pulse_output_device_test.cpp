// Real audio, end to end, each test on a PulseAudio server of its own: what the default sink
// hears, a server that comes and goes during a playback and then changes its default sink, an
// idle program that leaves the sink alone, and the SDL fallback where no server answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

#include "engine/linux/pulse_output_device.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/private_sound_server.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/sound_capture.h"
#include "engine/testing/test_services.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRate = kSampleRate;
SignalPlayer& player = SignalPlayer::instance;

// Polls `condition` until it holds; the limit only keeps a broken build from hanging.
bool eventually(const std::function<bool()>& condition) {
    for (int tries = 0; !condition(); ++tries) {
        if (tries == 1000) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Plays `kind` at the default settings as the Play button does; the future is ready once
// the playback has ended.
std::future<PlaybackEnd> pressPlay(GeneratorKind kind) {
    auto ended = std::make_shared<std::promise<PlaybackEnd>>();
    player.setEndNotice([ended](PlaybackEnd how) { ended->set_value(how); });
    player.restoreDefaults();
    player.chooseGenerator(kind);
    EXPECT_EQ(player.play(), PlayOutcome::Started);
    return ended->get_future();
}

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

// Whether `capture` records sound from now on.
bool soundArrives(SoundCapture& capture) {
    const std::size_t from = 2 * capture.frames();
    return eventually([&] {
        const std::vector<std::int16_t> samples = capture.samples();
        return std::any_of(samples.begin() + static_cast<std::ptrdiff_t>(from), samples.end(),
                           [](std::int16_t s) { return s != 0; });
    });
}

// Index of the first frame of `interleaved` whose left sample is not `expected`'s sample of
// the tone, repeated block after block from the tone's first frame at `start`, or whose
// right sample differs from the left.
std::size_t firstWrongFrame(const std::vector<std::int16_t>& interleaved, std::size_t start,
                            std::size_t end) {
    const std::vector<int> block = reference({.kind = GeneratorKind::PureTone});
    for (std::size_t frame = start; frame < end; ++frame) {
        const int left = interleaved[2 * frame];
        if (left != block[(frame - start) % block.size()] || left != interleaved[2 * frame + 1]) {
            return frame;
        }
    }
    return end;
}

// The tone's first sample is 0: its first block starts one frame before the first sound.
std::size_t toneStart(const std::vector<std::int16_t>& interleaved) {
    const auto first =
        std::find_if(interleaved.begin(), interleaved.end(), [](std::int16_t s) { return s != 0; });
    return std::max<std::size_t>(static_cast<std::size_t>(first - interleaved.begin()) / 2, 1) - 1;
}

class PulseDevice : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(runProgram({"sh", "-c", "command -v pulseaudio"}), "pulseaudio");
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

    std::unique_ptr<OutputDevice> device_;
    PrivateSoundServer server_;
};

TEST_F(PulseDevice, PlaysTheToneSampleForSampleAndLeavesTheSinkAloneWhenIdle) {
    ASSERT_TRUE(server_.start());
    open(openOutputDevice());
    EXPECT_TRUE(player.outputAvailable());
    EXPECT_TRUE(noRunningStream()) << "idle before the first Play";

    SoundCapture capture;
    ASSERT_TRUE(capture.start(defaultSinkMonitor()));
    ASSERT_TRUE(capture.waitUntilFlowing(10s));
    auto ended = pressPlay(GeneratorKind::PureTone);
    ASSERT_TRUE(soundArrives(capture));
    capture.waitForMore(3 * kRate, 20s);
    player.stop();
    ASSERT_EQ(ended.wait_for(10s), std::future_status::ready);
    capture.waitForMore(kSampleRate / 2, 10s);
    capture.stop();
    EXPECT_TRUE(eventually(noRunningStream)) << "idle after Stop";

    const std::vector<std::int16_t> samples = capture.samples();
    const std::size_t start = toneStart(samples);
    std::size_t end = samples.size() / 2;
    while (end > start && samples[2 * end - 2] == 0 && samples[2 * end - 1] == 0) {
        --end;
    }
    ASSERT_GE(end - start, 3 * kRate);
    EXPECT_EQ(firstWrongFrame(samples, start, end), end) << "of frames " << start << " to " << end;
}

TEST_F(PulseDevice, KeepsTheScheduleWithoutServerPlaysAgainWhenItReturnsAndFollowsTheDefaultSink) {
    // No server at start-up: a device all the same, which says why it cannot play.
    open(openPulseOutputDevice(&countCompletion), "Error: No device driver is present.");
    EXPECT_FALSE(player.outputAvailable());

    auto ended = pressPlay(GeneratorKind::PinkNoise);
    EXPECT_TRUE(eventually([] { return completions >= 3; })) << "blocks no longer complete";

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(server_.start());
        SoundCapture capture;
        ASSERT_TRUE(capture.start(defaultSinkMonitor()));
        ASSERT_TRUE(capture.waitUntilFlowing(10s));
        EXPECT_TRUE(soundArrives(capture)) << "no sound after the server came back";
        EXPECT_TRUE(player.outputAvailable());
        capture.stop();
        server_.kill();
        EXPECT_TRUE(eventually([&] { return !player.outputAvailable(); }));
        const int before = completions;
        EXPECT_TRUE(eventually([&] { return completions >= before + 2; }))
            << "blocks no longer complete";
    }

    // Back once more, then a new default sink: the playing stream follows it.
    ASSERT_TRUE(server_.start());
    ASSERT_TRUE(runProgram({"pactl", "load-module", "module-null-sink", "sink_name=second"}));
    SoundCapture second;
    ASSERT_TRUE(second.start("second.monitor"));
    ASSERT_TRUE(second.waitUntilFlowing(10s));
    ASSERT_TRUE(eventually([] { return !noRunningStream(); }));
    ASSERT_TRUE(runProgram({"pactl", "set-default-sink", "second"}));
    EXPECT_TRUE(soundArrives(second)) << "the playback stayed on the old default sink";
    player.stop();
    ASSERT_EQ(ended.wait_for(10s), std::future_status::ready);
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

    auto ended = pressPlay(GeneratorKind::PureTone);
    // SDL writes silence until the first block arrives, then the blocks.
    EXPECT_TRUE(eventually([&] {
        std::error_code missing;
        return std::filesystem::file_size(file, missing) >= kRate * 3 * 4 && !missing;
    }));
    player.stop();
    ASSERT_EQ(ended.wait_for(10s), std::future_status::ready);
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(file);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    const std::size_t start = toneStart(samples);
    ASSERT_LE(start + 2 * kRate, samples.size() / 2);
    EXPECT_EQ(firstWrongFrame(samples, start, start + 2 * kRate), start + 2 * kRate);
}

}  // namespace
