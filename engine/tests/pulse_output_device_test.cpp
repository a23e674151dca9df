// Real audio, each test on a PulseAudio server of its own: two playbacks and the sleep lock,
// a server that comes and goes and then changes its default sink, a playing process stopped
// and continued, a rest timed at the sink; the tally against what the sinks recorded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "engine/clock.h"
#include "engine/linux/pulse_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/logind_mock.h"
#include "engine/testing/shifted_clock.h"
#include "engine/testing/sound_capture.h"

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

// This program run again as the playing process of the test below: with the variable set, it
// plays pink noise for that many seconds (wall time), prints the heard milliseconds and exits
// before any test runs.
class ChildPlayback : public testing::Environment {
  public:
    void SetUp() override {
        const char* seconds = std::getenv("VELLUMTONE_CHILD_PLAYS");
        if (seconds == nullptr) {
            return;
        }
        OpenResult opened = openOutputDevice();
        player.setDevice(opened.device.get());
        player.chooseGenerator(GeneratorKind::PinkNoise);
        player.play();
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(seconds)));
        player.stop();
        eventually([] { return player.playing.load() == 0; });
        std::printf("%llu\n", static_cast<unsigned long long>(player.burnIn().heardMs));
        std::fflush(stdout);
        std::_Exit(0);
    }
};
const testing::Environment* const childPlayback =
    testing::AddGlobalTestEnvironment(new ChildPlayback);

// Each test on a PulseAudio daemon of its own with a default null sink "nullout", and
// python3-dbusmock's logind on a bus of its own, started by scripts/services.sh in a temporary
// folder that the environment points every client of this process at. They run only between
// startServer() and killServer(): a test can take the server away and bring it back.
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

// Two playbacks, a tone and the longest sweep, each heard from its first sample to the stop
// exactly as the reference gives it: the second starts with nothing left over from the first,
// and the sweep's first block, fed in pieces, is the reference's. Each holds the sleep lock
// until it ends, also across a restart of logind, and its tally is what the sink heard of it.
// Mixers find the stream's role and icon.
TEST_F(PulseDevice, PlaysEachPlaybackSampleForSampleHoldingTheSleepLockAndThenLeavesTheSinkAlone) {
    ASSERT_TRUE(startServer());
    open(openOutputDevice());
    EXPECT_TRUE(player.outputAvailable());
    EXPECT_TRUE(noRunningStream()) << "idle before the first Play";
    SoundCapture capture;
    ASSERT_TRUE(capture.start("nullout.monitor"));
    const std::pair<ReferenceSettings, std::uint32_t> rows[] = {
        {{.kind = GeneratorKind::PureTone, .amplitude = 40001}, 3},
        {{.kind = GeneratorKind::FrequencySweep,
          .amplitude = 65535,
          .sweepLimit = 2001,
          .sweepSeconds = kMaxSweepSeconds},
         1}};
    // More than the two pieces queued at the start: the device's completions refill them.
    for (const auto& [settings, seconds] : rows) {
        const auto from = static_cast<std::ptrdiff_t>(2 * capture.frames());
        player.amplitude = settings.amplitude;
        player.sweepSeconds = settings.sweepSeconds;
        player.sweepLimit = settings.sweepLimit;
        play(settings.kind);
        ASSERT_TRUE(capture.waitForSound());
        EXPECT_TRUE(sleepLocked());
        if (settings.kind == GeneratorKind::PureTone) {
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
        capture.waitForMore(kSampleRate / 4);
        const auto heard = sound(capture.samples(), from);
        EXPECT_GE(heard.size(), std::size_t{2} * seconds * kSampleRate);  // pieces refilled
        EXPECT_TRUE(isSignal(heard, settings));
        EXPECT_NEAR(player.burnIn().heardMs, heard.size() * 500.0 / kSampleRate, 500);
    }
}

// The tally counts only what the sink recorded: nothing while the server was away, nor what
// the server took with it. (Checked before the move to another sink, which the null sinks'
// monitors may record twice.)
TEST_F(PulseDevice, KeepsTheScheduleWithoutServerPlaysAgainWhenItReturnsAndFollowsTheDefaultSink) {
    // No server at start-up: a device all the same, which says why it cannot play.
    open(openPulseOutputDevice(&countCompletion), "Error: No device driver is present.");
    EXPECT_FALSE(player.outputAvailable());
    play(GeneratorKind::PinkNoise);
    // The tally is held against the capture from the moment the capture hears sound (a new
    // server's monitor may start late, while the playback reconnects by itself) to the end of
    // each round; offline it must not grow at all.
    double tallied = 0;
    double recorded = 0;
    // Offline the blocks complete at real-time pace; the server comes, goes and comes back.
    for (int round = 0; round < 2; ++round) {
        const int before = completions;
        const std::uint64_t offline = player.burnIn().heardMs;
        EXPECT_TRUE(eventually([&] { return completions > before; })) << "blocks stopped";
        EXPECT_EQ(player.burnIn().state, BurnInState::NoOutput);
        EXPECT_EQ(player.burnIn().heardMs, offline) << "time without a server counted";
        ASSERT_TRUE(startServer());
        SoundCapture capture;
        ASSERT_TRUE(capture.start("nullout.monitor"));
        EXPECT_TRUE(capture.waitForSound()) << "no sound after the server came";
        EXPECT_TRUE(player.outputAvailable());
        const std::uint64_t from = player.burnIn().heardMs;
        const auto fromSample = static_cast<std::ptrdiff_t>(capture.samples().size());
        capture.waitForMore(kSampleRate / 2);
        if (round == 0) {
            killServer();
            EXPECT_TRUE(eventually([&] { return !player.outputAvailable(); }));
        } else {
            stop();
            capture.waitForMore(kSampleRate / 4);
        }
        tallied += static_cast<double>(player.burnIn().heardMs - from);
        recorded += sound(capture.samples(), fromSample).size() * 500.0 / kSampleRate;
    }
    EXPECT_NEAR(tallied, recorded, 250);
    // A new default sink: the playing stream follows it.
    play(GeneratorKind::PinkNoise);
    ASSERT_TRUE(runProgram({"pactl", "load-module", "module-null-sink", "sink_name=second"}));
    SoundCapture second;
    ASSERT_TRUE(second.start("second.monitor"));
    ASSERT_TRUE(runProgram({"pactl", "set-default-sink", "second"}));
    EXPECT_TRUE(second.waitForSound()) << "the playback stayed on the old default sink";
    stop();
}

// A playing process stopped (SIGSTOP) for 3 s: the server plays what it held, then nothing
// until SIGCONT; the tally counts what the sink recorded, not the time.
TEST_F(PulseDevice, TalliesNothingWhileThePlayingProcessIsStopped) {
    ASSERT_TRUE(startServer());
    SoundCapture capture;
    ASSERT_TRUE(capture.start("nullout.monitor"));
    setenv("VELLUMTONE_CHILD_PLAYS", "4", 1);
    ChildProcess child({"/proc/self/exe"});
    unsetenv("VELLUMTONE_CHILD_PLAYS");
    ASSERT_TRUE(capture.waitForSound());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    child.signal(SIGSTOP);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    child.signal(SIGCONT);
    EXPECT_EQ(child.wait(), 0);
    capture.waitForMore(kSampleRate / 4);
    const auto samples = capture.samples();
    const auto loudFrames =
        std::count_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; }) / 2;
    // 4 s of play less 3 s stopped, but for the two seconds the server held.
    EXPECT_LT(loudFrames, 3.5 * kSampleRate)
        << "the server played on while the process was stopped";
    const std::string printed = child.output();  // after gtest's own lines
    const double heardMs = std::stod(printed.substr(printed.rfind('\n', printed.size() - 2) + 1));
    EXPECT_NEAR(heardMs, loudFrames * 1000.0 / kSampleRate, 500);
}

// A rest a minute away, brought near by moving the calendar: the sound stops within a second
// of the schedule, the stream is corked while it rests, and the sound is back within a second
// of the rest's end.
TEST_F(PulseDevice, RestsOnTimeAtTheSinkWithTheStreamCorked) {
    ASSERT_TRUE(startServer());
    open(openOutputDevice());
    SoundCapture capture;
    ASSERT_TRUE(capture.start("nullout.monitor"));
    ShiftedClock clock;
    player.setClock(&clock);
    player.enableRests(1, 1);
    play(GeneratorKind::PureTone);
    ASSERT_TRUE(capture.waitForSound());
    const std::uint64_t restStart = (std::uint64_t{player.restReference.load()} + 60) * 1000;
    const std::uint64_t restEnd = restStart + 60'000;
    // Far enough ahead of the rest for a check to come before it: the calendar moves on by
    // leaps here, not steadily.
    clock.offsetMs = restStart - 4000 - systemClock().calendarMs();
    const std::uint64_t firstOffset = clock.offsetMs;
    EXPECT_TRUE(eventually([] { return player.resting.load() != 0; }));
    EXPECT_TRUE(eventually(noRunningStream)) << "the stream plays on during the rest";
    clock.offsetMs = restEnd - 1500 - systemClock().calendarMs();
    EXPECT_TRUE(eventually([] { return player.resting.load() == 0; }));
    EXPECT_TRUE(capture.waitForSound()) << "no sound after the rest";
    stop();
    player.setClock(nullptr);
    // Each sample's calendar time, counted back from the last one recorded.
    const double lastMs = static_cast<double>(systemClock().calendarMs());
    const auto samples = capture.samples();
    const auto atMs = [&](auto sample) {
        return lastMs - static_cast<double>(samples.end() - sample) * 500 / kSampleRate;
    };
    // The rest: the first half second of silence (the tone is silent for one sample at most).
    const auto gapFrom = std::search_n(samples.begin(), samples.end(), kSampleRate, 0);
    const auto gapTo = std::find_if(gapFrom, samples.end(), [](std::int16_t s) { return s != 0; });
    EXPECT_NEAR(atMs(gapFrom) + static_cast<double>(firstOffset), restStart, 1000);
    EXPECT_NEAR(atMs(gapTo) + static_cast<double>(clock.offsetMs), restEnd, 1000);
}

}  // namespace
