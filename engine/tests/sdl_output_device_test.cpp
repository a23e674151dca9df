// Real audio, end to end: playbacks through the SDL device into a PulseAudio null sink,
// recorded with parec and checked for what was heard; and what happens without a sound
// server, or when it dies in the middle of a playback.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "engine/output_device.h"
#include "engine/sdl_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/sound_capture.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

SignalPlayer& player = SignalPlayer::instance;

bool servicesRequired() {
    const char* value = std::getenv("VELLUMTONE_REQUIRE_SERVICES");
    return value != nullptr && std::string(value) == "1";
}

bool soundServerReachable() {
    return std::system("pactl info >/dev/null 2>&1") == 0;
}

// What the panel's buttons do.
std::future<PlaybackEnd> pressPlay(GeneratorKind kind) {
    auto ended = std::make_shared<std::promise<PlaybackEnd>>();
    player.setEndNotice([ended](PlaybackEnd how) { ended->set_value(how); });
    player.chooseGenerator(kind);
    player.play();
    return ended->get_future();
}
void pressStop() {
    player.stop();
}

// ---- Looking at a recording (interleaved left, right) ----

std::vector<std::int16_t> leftChannel(const std::vector<std::int16_t>& samples) {
    std::vector<std::int16_t> left;
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        left.push_back(samples[i]);
    }
    return left;
}

// The first frame where left and right differ, or npos.
std::size_t firstStereoDifference(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
        if (samples[i] != samples[i + 1]) {
            return i / 2;
        }
    }
    return std::string::npos;
}

std::size_t firstSound(const std::vector<std::int16_t>& mono) {
    const auto it = std::find_if(mono.begin(), mono.end(), [](std::int16_t s) { return s != 0; });
    return static_cast<std::size_t>(it - mono.begin());
}
// One past the last frame that is not silent.
std::size_t endOfSound(const std::vector<std::int16_t>& mono) {
    std::size_t end = mono.size();
    while (end > 0 && mono[end - 1] == 0) {
        --end;
    }
    return end;
}

// Frequency from the upward zero crossings in [begin, end).
double crossingFrequency(const std::vector<std::int16_t>& mono, std::size_t begin,
                         std::size_t end) {
    std::size_t crossings = 0;
    for (std::size_t i = begin + 1; i < end; ++i) {
        if (mono[i - 1] < 0 && mono[i] >= 0) {
            ++crossings;
        }
    }
    return static_cast<double>(crossings) * kRate / static_cast<double>(end - begin);
}

// Power of one frequency in [begin, end) (Goertzel), relative to the segment's total power.
double powerShare(const std::vector<std::int16_t>& mono, std::size_t begin, std::size_t end,
                  double hz) {
    const double w = 2.0 * kPi * hz / kRate;
    const double c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0, total = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const double s0 = mono[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
        total += static_cast<double>(mono[i]) * mono[i];
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    const double n = static_cast<double>(end - begin);
    return power / (n * total / 2.0);
}

struct Moments {
    double mean;
    double rms;        // around the mean
    double diffRatio;  // mean square of the first difference over the variance
};
Moments moments(const std::vector<std::int16_t>& mono, std::size_t begin, std::size_t end) {
    const double n = static_cast<double>(end - begin);
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        sum += mono[i];
    }
    const double mean = sum / n;
    double var = 0.0, diff = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        var += (mono[i] - mean) * (mono[i] - mean);
        if (i > begin) {
            const double d = static_cast<double>(mono[i]) - mono[i - 1];
            diff += d * d;
        }
    }
    var /= n;
    diff /= n - 1;
    return {mean, std::sqrt(var), diff / var};
}

// ---- Playbacks into the shared null sink ----

struct Recording {
    std::vector<std::int16_t> samples;  // interleaved
    std::size_t stopFrame = 0;          // frames recorded when Stop was pressed
    std::size_t changeFrame = 0;        // frames recorded when `during` ran
};

// One device for the whole program, opened as the program does at start-up.
class RealAudio : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        reachable_ = soundServerReachable();
        if (reachable_) {
            opened_ = new OpenResult(openOutputDevice());
        }
    }
    static void TearDownTestSuite() {
        player.setDevice(nullptr);
        player.setEndNotice(nullptr);
        delete opened_;
        opened_ = nullptr;
    }

    void SetUp() override {
        if (!reachable_) {
            if (servicesRequired()) {
                FAIL() << "no sound server reachable (PULSE_SERVER="
                       << (std::getenv("PULSE_SERVER") ? std::getenv("PULSE_SERVER") : "unset")
                       << ")";
            }
            GTEST_SKIP() << "no sound server; run through scripts/test.sh";
        }
        ASSERT_NE(opened_->device, nullptr) << opened_->error;
        player.setDevice(opened_->device.get());
        player.amplitude = 40000;
        player.toneFrequency = 1000;
        player.sweepLimit = 2000;
        player.sweepSeconds = 2;
        player.restEnabled = 0;
        sinkInput_ = sinkInputOfProcess(static_cast<int>(getpid()));
        ASSERT_TRUE(sinkInput_.has_value()) << "the device's stream is not in the server";
    }

    // Records the device's own stream while `kind` plays until `seconds` of it have been
    // heard; `during` runs after `changeAfter` seconds of sound. Then Stop, and more
    // recording to hear the silence after it.
    Recording play(GeneratorKind kind, double seconds, std::function<void()> during = nullptr,
                   double changeAfter = 0) {
        Recording result;
        SoundCapture capture;
        EXPECT_TRUE(capture.start("nullout.monitor", sinkInput_));
        EXPECT_TRUE(capture.waitUntilFlowing(10s)) << "parec recorded nothing";

        auto ended = pressPlay(kind);
        // The first block can take a few seconds to be heard on an idle null sink.
        const auto limit = std::chrono::steady_clock::now() + 15s;
        while (firstSound(leftChannel(capture.samples())) >= capture.frames()) {
            if (std::chrono::steady_clock::now() > limit) {
                ADD_FAILURE() << "no sound was recorded";
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        if (during) {
            capture.waitForMore(static_cast<std::size_t>(changeAfter * kRate), 20s);
            result.changeFrame = capture.frames();
            during();
            seconds -= changeAfter;
        }
        capture.waitForMore(static_cast<std::size_t>(seconds * kRate), 20s);
        result.stopFrame = capture.frames();
        pressStop();
        if (ended.wait_for(10s) != std::future_status::ready) {
            ADD_FAILURE() << "the playback did not end within 10 s of Stop";
            std::abort();  // the playback thread would outlive this test's state
        }
        EXPECT_EQ(ended.get(), PlaybackEnd::Stopped);
        EXPECT_EQ(player.playing.load(), 0);
        capture.waitForMore(kRate, 10s);
        capture.stop();
        result.samples = capture.samples();
        return result;
    }

    // Everything after half a second past Stop is silence, and there is some of it to hear.
    static void expectSilenceAfterStop(const Recording& rec) {
        const auto mono = leftChannel(rec.samples);
        const std::size_t quiet = rec.stopFrame + kRate / 2;
        ASSERT_GT(mono.size(), quiet + kRate / 4) << "too little recorded after Stop";
        EXPECT_LE(endOfSound(mono), quiet)
            << "sound went on " << (endOfSound(mono) - rec.stopFrame) * 1000 / kRate
            << " ms after Stop";
    }

    static bool reachable_;
    static OpenResult* opened_;
    std::optional<unsigned> sinkInput_;
};
bool RealAudio::reachable_ = false;
OpenResult* RealAudio::opened_ = nullptr;

TEST_F(RealAudio, ToneIsHeardAt1000HzWithItsPeaksOnBothChannels) {
    const Recording rec = play(GeneratorKind::PureTone, 2.0);
    EXPECT_EQ(firstStereoDifference(rec.samples), std::string::npos);
    const auto mono = leftChannel(rec.samples);
    const std::size_t begin = firstSound(mono);
    const std::size_t end = endOfSound(mono);
    ASSERT_GT(end, begin + kRate * 3 / 2) << "less than 1.5 s of tone was heard";

    const auto [low, high] = std::minmax_element(mono.begin() + begin, mono.begin() + end);
    EXPECT_EQ(*low, -19999);
    EXPECT_EQ(*high, 19999);
    EXPECT_NEAR(crossingFrequency(mono, begin, end), 1000.0, 2.0);
    EXPECT_GT(powerShare(mono, begin, end, 1000.0), 0.95);

    // The first frame heard is the block's second (its first is 0): half a second of it,
    // sample for sample, as the tone's formula gives it.
    const double k = 0.00014247585730565955;  // 2 pi / 44100
    for (std::size_t n = 1; n < kRate / 2; ++n) {
        const double sample = 40000.0 * std::sin(static_cast<double>(n) * k * 1000.0) * 0.5;
        ASSERT_EQ(mono[begin + n - 1], static_cast<std::int16_t>(std::trunc(sample)))
            << "frame " << n;
    }
    expectSilenceAfterStop(rec);
}

TEST_F(RealAudio, SweepStaysBetweenZeroAndItsLimit) {
    const Recording rec = play(GeneratorKind::FrequencySweep, 3.0);
    EXPECT_EQ(firstStereoDifference(rec.samples), std::string::npos);
    const auto mono = leftChannel(rec.samples);
    const std::size_t begin = firstSound(mono);
    const std::size_t end = endOfSound(mono);
    ASSERT_GT(end, begin + kRate * 2) << "less than one sweep period was heard";

    const auto [low, high] = std::minmax_element(mono.begin() + begin, mono.begin() + end);
    EXPECT_GE(*low, -20000);
    EXPECT_LE(*high, 20000);
    EXPECT_GE(*high, 19900);

    // The frequency swings between 2000 Hz and 0 twice a period: in 20 ms windows the
    // crossing rate reaches the limit, comes close to 0 and never goes beyond the limit
    // (a window holds whole crossings, so the rate is known to 50 Hz).
    const std::size_t window = kRate / 50;
    double lowest = 1e9, highest = 0;
    for (std::size_t at = begin; at + window <= end; at += window) {
        const double hz = crossingFrequency(mono, at, at + window);
        lowest = std::min(lowest, hz);
        highest = std::max(highest, hz);
    }
    EXPECT_GE(highest, 1900.0);
    EXPECT_LE(highest, 2050.0);
    EXPECT_LE(lowest, 100.0);
    expectSilenceAfterStop(rec);
}

// White noise is flat: the first difference has twice the variance. The level follows from
// the sample formula (2r mod 40000) - 20000 over the 32768 values r can take.
TEST_F(RealAudio, WhiteNoiseHasItsLevelAndAFlatSpectrum) {
    double sum = 0, squares = 0;
    for (int r = 0; r < 32768; ++r) {
        const double v = (2 * r) % 40000 - 20000;
        sum += v;
        squares += v * v;
    }
    const double expectedMean = sum / 32768;
    const double expectedRms = std::sqrt(squares / 32768 - expectedMean * expectedMean);

    const Recording rec = play(GeneratorKind::WhiteNoise, 2.0);
    EXPECT_EQ(firstStereoDifference(rec.samples), std::string::npos);
    const auto mono = leftChannel(rec.samples);
    const std::size_t begin = firstSound(mono);
    const std::size_t end = endOfSound(mono);
    ASSERT_GT(end, begin + kRate * 3 / 2);

    const auto [low, high] = std::minmax_element(mono.begin() + begin, mono.begin() + end);
    EXPECT_GE(*low, -20000);
    EXPECT_LE(*high, 19998);
    EXPECT_TRUE(std::all_of(mono.begin() + begin, mono.begin() + end,
                            [](std::int16_t s) { return s % 2 == 0; }));
    const Moments m = moments(mono, begin, end);
    EXPECT_NEAR(m.mean, expectedMean, 150.0);
    EXPECT_NEAR(m.rms, expectedRms, expectedRms * 0.02);
    EXPECT_NEAR(m.diffRatio, 2.0, 0.05);
    expectSilenceAfterStop(rec);
}

// Pink noise is uniform noise through y <- 0.0625 u + 0.9375 y: its variance is that of u
// (1/12) times 0.0625^2 / (1 - 0.9375^2), and neighbouring samples are correlated by 0.9375,
// so the first difference has only 2 (1 - 0.9375) = 0.125 times the variance.
TEST_F(RealAudio, PinkNoiseHasItsLevelAndLittleHighFrequencyEnergy) {
    const double expectedRms =
        40000.0 * std::sqrt((1.0 / 12.0) * 0.0625 * 0.0625 / (1.0 - 0.9375 * 0.9375));

    const Recording rec = play(GeneratorKind::PinkNoise, 3.0);
    EXPECT_EQ(firstStereoDifference(rec.samples), std::string::npos);
    const auto mono = leftChannel(rec.samples);
    const std::size_t begin = firstSound(mono) + 200;  // the filter settles from y = 0
    const std::size_t end = endOfSound(mono);
    ASSERT_GT(end, begin + kRate * 5 / 2);

    const Moments m = moments(mono, begin, end);
    EXPECT_NEAR(m.mean, 0.0, 150.0);
    EXPECT_NEAR(m.rms, expectedRms, expectedRms * 0.06);
    EXPECT_NEAR(m.diffRatio, 0.125, 0.02);
    expectSilenceAfterStop(rec);
}

// As the panel does on a volume change: new amplitude, the flag, and a flush. The loud tone
// stops at once and what follows is at the new level.
TEST_F(RealAudio, VolumeChangeIsHeardAtTheNewLevel) {
    const auto change = [] { player.setAmplitude(20000); };
    const Recording rec = play(GeneratorKind::PureTone, 5.0, change, 1.5);
    EXPECT_EQ(firstStereoDifference(rec.samples), std::string::npos);
    const auto mono = leftChannel(rec.samples);
    const std::size_t begin = firstSound(mono);
    ASSERT_GT(rec.changeFrame, begin + kRate);

    const auto [oldLow, oldHigh] =
        std::minmax_element(mono.begin() + begin, mono.begin() + rec.changeFrame);
    EXPECT_EQ(*oldLow, -19999);
    EXPECT_EQ(*oldHigh, 19999);

    const std::size_t after = rec.changeFrame + kRate / 2;
    const std::size_t end = endOfSound(mono);
    ASSERT_GT(end, after + kRate) << "too little was heard after the change";
    const auto [newLow, newHigh] = std::minmax_element(mono.begin() + after, mono.begin() + end);
    EXPECT_EQ(*newLow, -9999);
    EXPECT_EQ(*newHigh, 9999);
    // The last half second before Stop follows the pause: the tone again.
    EXPECT_NEAR(crossingFrequency(mono, end - kRate / 2, end), 1000.0, 4.0);
    expectSilenceAfterStop(rec);
}

// ---- The device's block queue, on its own ----

// Completions as the device reports them, in order; written from SDL's audio thread.
std::array<std::atomic<BlockHeader*>, 32> completed;
std::atomic<int> completions{0};
void recordCompletion(OutputDevice* /*device*/, BlockHeader* header) {
    const int at = completions.fetch_add(1);
    if (at < static_cast<int>(completed.size())) {
        completed[static_cast<std::size_t>(at)] = header;
    }
}

struct Block {
    explicit Block(std::size_t frames, std::int16_t value) : samples(frames * 2, value) {
        header.data = samples.data();
        header.length = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
        header.loops = 1;
    }
    std::vector<std::int16_t> samples;
    BlockHeader header;
};

bool handedBack(const BlockHeader& header) {
    const std::uint32_t flags = header.flags.load();
    return (flags & kBlockDone) != 0 && (flags & kBlockQueued) == 0;
}

// Each block is reported exactly once: in order when played, at once (on the caller's
// thread) when flushed, and never again afterwards.
TEST_F(RealAudio, DeviceReportsEveryBlockOnceWhetherPlayedOrFlushed) {
    // The blocks outlive the device, which is closed first whatever happens.
    Block shortBlocks[] = {Block(kRate / 10, 1000), Block(kRate / 10, 2000),
                           Block(kRate / 10, 3000)};
    Block longBlocks[] = {Block(kRate, 4000), Block(kRate, 5000)};
    Block again(kRate / 10, 6000);
    completions = 0;
    OpenResult second = openSdlOutputDevice(&recordCompletion);
    ASSERT_NE(second.device, nullptr) << second.error;
    OutputDevice& device = *second.device;

    for (Block& block : shortBlocks) {
        device.prepare(block.header);
        device.queue(block.header);
        EXPECT_EQ(block.header.flags.load() & kBlockQueued, kBlockQueued);
    }
    const auto limit = std::chrono::steady_clock::now() + 15s;
    while (completions.load() < 3 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(completions.load(), 3) << "the three blocks were not all played";
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(completed[i].load(), &shortBlocks[i].header) << i;
        EXPECT_TRUE(handedBack(shortBlocks[i].header)) << i;
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(completions.load(), 3) << "a played block was reported again";

    // Two one-second blocks, the first of them half played when the flush comes.
    for (Block& block : longBlocks) {
        device.prepare(block.header);
        device.queue(block.header);
    }
    std::this_thread::sleep_for(500ms);
    device.flush();
    ASSERT_EQ(completions.load(), 5) << "a flush must hand back every queued block at once";
    EXPECT_EQ(completed[3].load(), &longBlocks[0].header);
    EXPECT_EQ(completed[4].load(), &longBlocks[1].header);
    EXPECT_TRUE(handedBack(longBlocks[0].header));
    EXPECT_TRUE(handedBack(longBlocks[1].header));

    device.flush();  // nothing queued: nothing to report
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(completions.load(), 5) << "a flushed block was reported again";

    // The device plays again after a flush.
    device.queue(again.header);
    const auto againLimit = std::chrono::steady_clock::now() + 5s;
    while (completions.load() < 6 && std::chrono::steady_clock::now() < againLimit) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(completions.load(), 6);
    EXPECT_EQ(completed[5].load(), &again.header);
}

// ---- Without a sound server, and losing it: each in a process of its own ----

// A child process started for one case; gtest runs the test body again there.
class SoundServerDeathTest : public testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// In the child: Play with a null device must still start a playback, and Stop end it.
bool nullDevicePlaysAndStops() {
    player.setDevice(nullptr);
    auto ended = pressPlay(GeneratorKind::PinkNoise);
    std::this_thread::sleep_for(300ms);
    const bool started = player.playing.load() != 0;
    pressStop();
    const bool stopped = ended.wait_for(10s) == std::future_status::ready;
    std::fprintf(stderr, "null device: started %d, stopped %d\n", started, stopped);
    return started && stopped;
}

// Opens twice (a failed open can be retried without harm) and reports the messages.
void openWithoutServerAndExit() {
    const OpenResult first = openOutputDevice();
    const OpenResult second = openOutputDevice();
    std::fprintf(stderr, "[%s] [%s]\n", first.error.c_str(), second.error.c_str());
    const bool failedTwiceAlike =
        first.device == nullptr && second.device == nullptr && first.error == second.error;
    const bool ok = failedTwiceAlike && nullDevicePlaysAndStops();
    std::exit(ok ? 0 : 1);  // through exit, so that a sanitizer's findings fail the child
}

TEST_F(SoundServerDeathTest, NoServerWithThePulseAudioDriverMeansNoDriver) {
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
            setenv("PULSE_SERVER", "unix:/nonexistent/vellumtone/native", 1);
            openWithoutServerAndExit();
        },
        testing::ExitedWithCode(0), "\\[Error: No device driver is present.\\] \\[");
}

TEST_F(SoundServerDeathTest, UnknownDriverMeansNoDriver) {
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            openWithoutServerAndExit();
        },
        testing::ExitedWithCode(0), "\\[Error: No device driver is present.\\] \\[");
}

// With no server SDL falls back on ALSA, whose default device does not exist when it has no
// configuration (as on a machine without a card).
TEST_F(SoundServerDeathTest, NoServerAndNoDefaultDeviceMeansBadDeviceId) {
    EXPECT_EXIT(
        {
            const auto dir = std::filesystem::temp_directory_path();
            const std::string empty = (dir / "vellumtone-empty-alsa.conf").string();
            std::FILE* file = std::fopen(empty.c_str(), "w");
            if (file != nullptr) {
                std::fclose(file);
            }
            unsetenv("SDL_AUDIODRIVER");
            setenv("PULSE_SERVER", "unix:/nonexistent/vellumtone/native", 1);
            setenv("ALSA_CONFIG_PATH", empty.c_str(), 1);
            openWithoutServerAndExit();
        },
        testing::ExitedWithCode(0), "\\[Error: Specified device identifier is out of range.\\]");
}

// Starts a PulseAudio of its own in `dir` and points this process at it.
pid_t startOwnPulseAudio(const std::string& dir) {
    for (const char* sub : {"/run", "/state", "/home"}) {
        mkdir((dir + sub).c_str(), 0700);
    }
    const std::string socket = dir + "/run/native";
    setenv("PULSE_RUNTIME_PATH", (dir + "/run").c_str(), 1);
    setenv("PULSE_STATE_PATH", (dir + "/state").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    setenv("PULSE_COOKIE", (dir + "/cookie").c_str(), 1);
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", (dir + "/home").c_str(), 1);
        std::freopen((dir + "/log").c_str(), "w", stderr);
        const std::string native = "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
        execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--system=no",
               "--use-pid-file=no", "--exit-idle-time=-1", "--disallow-exit", "--realtime=no",
               "--high-priority=no", "--log-target=stderr", "-L", native.c_str(), "-L",
               "module-null-sink sink_name=nullout rate=44100 channels=2 format=s16le",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        if (soundServerReachable()) {
            return pid;
        }
        std::this_thread::sleep_for(100ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Ends a playback with Stop and tells how long that took, or -1 if it did not end.
long stopAndTime(std::future<PlaybackEnd>& ended) {
    const auto at = std::chrono::steady_clock::now();
    pressStop();
    if (ended.wait_for(10s) != std::future_status::ready) {
        return -1;
    }
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - at)
            .count());
}

void loseTheServerWhilePlaying() {
    char pattern[] = "/tmp/vellumtone-pulse-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        _exit(2);
    }
    const std::string dir = pattern;
    const pid_t server = startOwnPulseAudio(dir);
    if (server < 0) {
        std::fprintf(stderr, "could not start a PulseAudio of its own\n");
        _exit(2);
    }
    OpenResult opened = openOutputDevice();
    if (!opened.device) {
        std::fprintf(stderr, "open failed: %s\n", opened.error.c_str());
        kill(server, SIGKILL);
        waitpid(server, nullptr, 0);
        _exit(3);
    }
    player.setDevice(opened.device.get());
    player.toneFrequency = 1000;
    auto first = pressPlay(GeneratorKind::PureTone);
    std::this_thread::sleep_for(1500ms);
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    std::this_thread::sleep_for(1500ms);  // the device notices the loss meanwhile
    const long firstStop = stopAndTime(first);

    // The lost device stays usable: another playback starts and stops too.
    auto second = pressPlay(GeneratorKind::PinkNoise);
    std::this_thread::sleep_for(1200ms);
    const long secondStop = stopAndTime(second);
    std::fprintf(stderr, "server killed; Stop took %ld ms, then %ld ms\n", firstStop, secondStop);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    player.setDevice(nullptr);
    opened.device.reset();
    std::exit(firstStop >= 0 && secondStop >= 0 ? 0 : 1);
}

TEST_F(SoundServerDeathTest, ServerKilledWhilePlayingNeitherCrashesNorHangs) {
    if (std::system("command -v pulseaudio >/dev/null 2>&1") != 0) {
        if (servicesRequired()) {
            FAIL() << "pulseaudio is not installed";
        }
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    EXPECT_EXIT(loseTheServerWhilePlaying(), testing::ExitedWithCode(0),
                "server killed; Stop took [0-9]+ ms, then [0-9]+ ms");
}

// SDL's own words in each situation met so far, and what the user is told.
TEST(SdlOpenError, SdlMessagesMapOntoTheUsersReasons) {
    struct Case {
        const char* sdl;
        bool initFailed;
        DeviceError expected;
    };
    const Case cases[] = {
        {"Could not setup connection to PulseAudio", true, DeviceError::NoDriver},
        {"Audio target 'no-such-driver' not available", true, DeviceError::NoDriver},
        {"dsp: No such audio device", true, DeviceError::NoDriver},
        {"Out of memory", true, DeviceError::NoMemory},
        {"ALSA: Couldn't open audio device: No such file or directory", false,
         DeviceError::BadDeviceId},
        {"ALSA: Couldn't open audio device: Device or resource busy", false,
         DeviceError::Allocated},
        {"Too many open audio devices", false, DeviceError::Allocated},
        {"pulseaudio: Unsupported audio format", false, DeviceError::BadFormat},
        {"Requested PulseAudio sink/source missing?", false, DeviceError::BadDeviceId},
        {"Could not connect to PulseAudio server", false, DeviceError::NoDriver},
        {"Out of memory", false, DeviceError::NoMemory},
        {"Could not connect PulseAudio stream", false, DeviceError::Unknown},
        {"", false, DeviceError::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(deviceErrorFromSdl(c.sdl, c.initFailed), c.expected)
            << c.sdl << (c.initFailed ? " (starting SDL audio)" : " (opening)");
    }
}

}  // namespace
