// Real audio on a PulseAudio server of the test's own: a server that comes and goes, and a new
// default sink; a tone with a rest and the sleep lock. The tally is held against what the sinks
// recorded. (A playing process stopped and continued is the command-line program's test.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "engine/clock.h"
#include "engine/linux/pulse_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/sound_capture.h"

namespace {

using testing::AllOf;
using testing::HasSubstr;
using K = GeneratorKind;

SignalPlayer& player = SignalPlayer::instance;
const auto loud = [](std::int16_t s) { return s != 0; };

std::atomic<int> completions{0};
void countCompletion(OutputDevice* device, BlockHeader* header) {
    ++completions;
    onWaveOutDone(device, header);
}

// Idle: no stream plays uncorked, and the sink is free to suspend.
bool noRunningStream() {
    const auto streams = runProgram({"pactl", "list", "sink-inputs"});
    return streams && streams->find("Corked: no") == std::string::npos;
}

// Whether the mock logind lists the lock a playback takes against sleep.
bool sleepLocked() {
    const auto listed =
        runProgram({"busctl", "--system", "call", "org.freedesktop.login1",
                    "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors"});
    return listed &&
           listed->find(R"( "sleep" "Vellumtone" "Burn-in playback" "block")") != std::string::npos;
}

// The system clock with calendar time moved on by an offset: a rest a minute away comes
// within seconds, while the sound plays in real time.
struct ShiftedClock final : Clock {
    std::uint64_t now() override { return calendarMs() / 1000; }
    std::uint64_t calendarMs() override { return systemClock().calendarMs() + offsetMs.load(); }
    void sleepMs(std::uint32_t ms) override { systemClock().sleepMs(ms); }
    void wait(AutoResetEvent& event) override { systemClock().wait(event); }
    std::atomic<std::uint64_t> offsetMs{0};
};

// As the Stop button does; then the sink is left alone and the lock freed.
void stop() {
    EXPECT_TRUE(player.stop());
    ASSERT_TRUE(eventually([] { return player.playing.load() == 0; }));
    EXPECT_TRUE(eventually(noRunningStream)) << "idle after Stop";
    EXPECT_TRUE(eventually([] { return !sleepLocked(); })) << "locked after Stop";
}

// No server at start-up: a device all the same, which says why it cannot play. Offline the
// blocks complete at real-time pace, and none counts; the tally counts only what the sink
// recorded, not what the server took with it when it went away. When the server returns the
// playback plays again, and follows a new default sink.
//   Then a tone with a rest, heard from its first sample as the reference gives it (nothing
// left over from the noise), and tallied as the sink heard it. The rest, a minute away,
// brought near by moving the calendar: the sound stops within a second of the schedule, the
// stream is corked meanwhile, and the sound is back within a second of the rest's end. The
// sleep lock is held also across a restart of logind; mixers find the stream's role and icon.
TEST(PulseDevice,
     KeepsTheScheduleWithoutServerPlaysSampleForSampleRestsCorkedAndTalliesWhatWasHeard) {
    SKIP_OR_FAIL_UNLESS(runProgram({"sh", "-c", "command -v pulseaudio"}), "pulseaudio");
    // A PulseAudio daemon with a default null sink "nullout", and python3-dbusmock's logind on
    // a bus of its own, started by scripts/services.sh in a temporary folder that the
    // environment points every client of this process at, until `server` is reset.
    std::string folder = std::filesystem::temp_directory_path() / "vellumtone-pulse-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    setenv("PULSE_SERVER", ("unix:" + folder + "/pulse/run/native").c_str(), 1);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + folder + "/system_bus").c_str(), 1);
    std::unique_ptr<ChildProcess> server;
    const auto serverComes = [&server, &folder] {
        server = std::make_unique<ChildProcess>(std::vector<std::string>{
            "bash", "-c",
            "services_dir=$1 && source $0 && start_pulseaudio && start_logind && wait",
            VELLUMTONE_SERVICES_SCRIPT, folder});
        return eventually([] {
            return runProgram({"pactl", "info"}) &&
                   runProgram({"busctl", "--system", "status", "org.freedesktop.login1"});
        });
    };
    OpenResult opened = openPulseOutputDevice(&countCompletion);
    EXPECT_EQ(opened.error, "Error: No device driver is present.");
    ASSERT_NE(opened.device, nullptr);
    player.setDevice(opened.device.get());
    EXPECT_FALSE(player.outputAvailable());
    player.chooseGenerator(K::PinkNoise);
    EXPECT_EQ(player.play(), PlayOutcome::Started);
    const int before = completions;
    EXPECT_TRUE(eventually([&] { return completions > before; })) << "blocks stopped";
    EXPECT_EQ(player.burnIn().state, BurnInState::NoOutput);
    EXPECT_EQ(player.burnIn().heardMs, 0U) << "time without a server counted";
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(serverComes());
        SoundCapture capture;
        ASSERT_TRUE(capture.start("nullout.monitor"));
        EXPECT_TRUE(capture.waitForSound()) << "no sound after the server came";
        EXPECT_TRUE(player.outputAvailable());
        if (round == 0) {
            // Held against the capture from its first sound (a new server's monitor may start
            // late, while the playback reconnects by itself) to the loss; a new level in between
            // drops what the server held, unheard, and is heard at once, not once the server's
            // buffer has filled again two seconds later.
            const std::uint64_t from = player.burnIn().heardMs;
            const auto fromSample = static_cast<std::ptrdiff_t>(capture.samples().size());
            capture.waitForMore(kSampleRate / 4);
            EXPECT_TRUE(player.setVolumePosition(1000));
            capture.waitForMore(kSampleRate * 3 / 4);
            server.reset();
            EXPECT_TRUE(eventually([] { return !player.outputAvailable(); }));
            const double soundMs =
                sound(capture.samples(), fromSample).size() * 500.0 / kSampleRate;
            EXPECT_GT(soundMs, 750) << "the new level was not heard at once";
            EXPECT_NEAR(static_cast<double>(player.burnIn().heardMs - from), soundMs, 250);
        }
    }
    ASSERT_TRUE(runProgram(
        {"pactl", "load-module", "module-null-sink", "sink_name=second", "norewinds=1"}));
    SoundCapture capture;
    ASSERT_TRUE(capture.start("second.monitor"));
    ASSERT_TRUE(runProgram({"pactl", "set-default-sink", "second"}));
    EXPECT_TRUE(capture.waitForSound()) << "the playback stayed on the old default sink";
    stop();

    static ShiftedClock clock;  // kept for the playback, should the test end early
    player.setClock(&clock);
    player.enableRests(1, 1);
    const ReferenceSettings tone{.kind = K::PureTone, .amplitude = 40001};
    const auto from = static_cast<std::ptrdiff_t>(2 * capture.frames());
    player.amplitude = tone.amplitude;
    player.chooseGenerator(tone.kind);
    EXPECT_EQ(player.play(), PlayOutcome::Started);
    ASSERT_TRUE(capture.waitForSound());
    // Far enough ahead for a check to come before the rest (the calendar leaps here), and
    // more than the two pieces queued at the start play: the device's completions refill them.
    const std::uint64_t restStart = (std::uint64_t{player.restReference.load()} + 60) * 1000;
    const std::uint64_t restEnd = restStart + 60'000;
    const std::uint64_t firstOffset = clock.offsetMs =
        restStart - 4000 - systemClock().calendarMs();
    EXPECT_TRUE(sleepLocked());
    EXPECT_THAT(runProgram({"pactl", "list", "sink-inputs"}).value_or(""),
                AllOf(HasSubstr(R"(media.role = "production")"),
                      HasSubstr(R"(application.icon_name = "vellumtone")"),
                      HasSubstr(R"(application.id = "vellumtone")")));
    // A restarted logind has forgotten the lock: the playback takes it again.
    const auto owner = runProgram({"busctl", "--system", "call", "org.freedesktop.DBus",
                                   "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "GetConnectionUnixProcessID", "s", "org.freedesktop.login1"});
    EXPECT_EQ(kill(owner ? std::atoi(owner->c_str() + 2) : 0, SIGTERM), 0);  // "u 1234"
    EXPECT_TRUE(eventually([] { return !sleepLocked(); }));
    const auto logind = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"});
    EXPECT_TRUE(eventually(sleepLocked)) << "the lock was not taken again";
    EXPECT_TRUE(eventually([] { return player.resting.load() != 0; }));
    EXPECT_TRUE(eventually(noRunningStream)) << "the stream plays on during the rest";
    clock.offsetMs = restEnd - 700 - systemClock().calendarMs();
    EXPECT_TRUE(capture.waitForSound()) << "no sound after the rest";
    stop();
    capture.waitForMore(kSampleRate / 4);
    // Each sample's calendar time, counted back from the last one recorded.
    const double lastMs = static_cast<double>(systemClock().calendarMs());
    const auto samples = capture.samples();
    const auto atMs = [&](auto sample) {
        return lastMs - static_cast<double>(samples.end() - sample) * 500 / kSampleRate;
    };
    // The rest: the first half second of silence (the tone is silent for one sample at most).
    const auto first = std::find_if(samples.begin() + from, samples.end(), loud) - 2;
    const auto gapFrom = std::search_n(first, samples.end(), kSampleRate, 0);
    const auto gapTo = std::find_if(gapFrom, samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    EXPECT_TRUE(isSignal({first, gapFrom}, tone));
    EXPECT_NEAR(atMs(gapFrom) + static_cast<double>(firstOffset), restStart, 1000);
    EXPECT_NEAR(atMs(gapTo) + static_cast<double>(clock.offsetMs), restEnd, 1000);
    EXPECT_NEAR(player.burnIn().heardMs,
                static_cast<double>(gapFrom - first + (last - gapTo)) * 500 / kSampleRate, 500);
    player.setDevice(nullptr);
    player.setClock(nullptr);
}

}  // namespace
