// The generators and the playback loop on a virtual clock, into a device that records what it
// was given and when it would be heard: the samples against the reference signal, the block
// cycle, the settings a block takes, the volume pause, the rests and the stop.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <future>
#include <thread>

#include "engine/signal_player.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/test_output_device.h"
#include "engine/testing/test_services.h"
#include "engine/testing/virtual_clock.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Pair;
using K = GeneratorKind;

constexpr std::uint64_t kStartSeconds = 1'700'000'000;
constexpr std::uint64_t kM = 60'000;  // a minute
constexpr std::uint32_t kMax = 4294967295U;

SignalPlayer& player = SignalPlayer::instance;

// One playback, started as the Play button does and run to its end on this thread, on a
// virtual clock. Times are in ms since the start.
class Playback : public ::testing::Test {
  protected:
    void SetUp() override {
        player.restoreDefaults();
        player.setDevice(&device);
        player.setClock(&clock);
    }
    void TearDown() override {
        player.setDevice(nullptr);
        player.setClock(nullptr);
        EXPECT_EQ(device.requeuedWhileHeld(), 0U);
    }
    void run(GeneratorKind kind, std::uint64_t stopMs) {
        player.chooseGenerator(kind);
        clock.schedule(stopMs, [] { player.stop(); });
        EXPECT_EQ(player.playOnThisThread(), PlayOutcome::Started);
    }

    VirtualClock clock{kStartSeconds};
    TestOutputDevice device{&clock};
};

void store(const ReferenceSettings& s) {
    player.amplitude = s.amplitude;
    player.toneFrequency = s.toneFrequency;
    player.sweepLimit = s.sweepLimit;
    player.sweepSeconds = s.sweepSeconds;
}

// Settings changed at 0.5 s, the level with the slider (which flushes and restarts the block),
// and the sweep limit again at 1.2 s, are taken from the next piece on (the limit from the
// next block on), but the sweep
// period S, which sets the blocks' length, only by the next playback. Each row plays into the
// block after the volume pause.
using SignalRow = std::pair<ReferenceSettings, ReferenceSettings>;
class Signal : public Playback, public ::testing::WithParamInterface<SignalRow> {};

// The pieces played, end to end, are the reference blocks, seeded from the clock at the start,
// the pink filter from 0, both carried from block to block; a sweep's pieces keep their place
// in its period.
TEST_P(Signal, EveryPieceIsTheReferenceSignal) {
    const auto& [before, after] = GetParam();
    store(before);
    clock.schedule(500, [&after = after] {
        EXPECT_TRUE(player.setAmplitude(after.amplitude));
        store(after);
    });
    clock.schedule(1200, [&after = after] { player.sweepLimit = after.sweepLimit + 7; });
    run(before.kind, framesOf(before) / 44 + 2500);
    std::uint64_t random = kStartSeconds;
    double y = 0.0;
    const auto played = device.played();
    const auto queuedAt = device.queuedAt();
    ASSERT_GE(played.size(), 4U);
    std::uint32_t offset = 0;
    std::uint32_t limit = 0;
    for (std::size_t p = 0; p < played.size(); ++p) {
        ReferenceSettings s = queuedAt[p] < 500 ? before : after;
        s.sweepSeconds = before.sweepSeconds;
        s.sweepLimit += queuedAt[p] >= 1200 ? 7 : 0;
        offset = queuedAt[p] >= 500 && queuedAt[p - 1] < 500 ? 0 : offset;  // after the flush
        limit = offset == 0 ? s.sweepLimit : limit;
        s.sweepLimit = limit;
        const auto frames = static_cast<std::uint32_t>(played[p].size() / 2);
        // Tone and sweep samples depend on n alone: the block's, cut at the piece.
        const auto block = s.kind == K::PureTone || s.kind == K::FrequencySweep
                               ? reference(s, y, random, offset + frames)
                               : reference(s, y, random, frames);
        EXPECT_TRUE(std::equal(played[p].rbegin(), played[p].rend(), block.rbegin()))
            << "piece " << p;
        offset = (offset + frames) % framesOf(s);
    }
}

// Odd amplitudes (halving and shifting differ), periods beyond the two shortest.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Signal, ::testing::Values(
    SignalRow{{.kind = K::WhiteNoise, .amplitude = 0}, {.kind = K::WhiteNoise}},
    SignalRow{{.kind = K::WhiteNoise, .amplitude = 65535}, {.amplitude = 1}},
    SignalRow{{.kind = K::PinkNoise, .amplitude = 0}, {.kind = K::PinkNoise, .amplitude = 40001}},
    SignalRow{{.kind = K::PureTone, .amplitude = 65535, .toneFrequency = kMax},
              {.kind = K::PureTone, .amplitude = 3, .toneFrequency = 440}},
    SignalRow{{.kind = K::FrequencySweep, .amplitude = 40001, .sweepSeconds = 3},
              {.kind = K::FrequencySweep, .sweepLimit = 1000, .sweepSeconds = 5}},
    SignalRow{{.kind = K::FrequencySweep, .amplitude = 65535, .sweepLimit = kMax,
               .sweepSeconds = 7},
              {.kind = K::FrequencySweep, .amplitude = 12345, .sweepLimit = 999,
               .sweepSeconds = 1}}));
// clang-format on

// Real threads: the controls are pressed from this one while the playback waits on its own
// for a device that never finishes a block; only the controls' wake-ups move it on. Two quick
// Plays never start two playbacks, however late the new playback's thread starts.
TEST_F(Playback, ControlsFromAnotherThread) {
    TestOutputDevice idle;
    player.setDevice(&idle);
    player.wakeEvent.set();
    EXPECT_EQ(player.play(), PlayOutcome::NoGenerator);
    EXPECT_FALSE(player.wakeEvent.tryWait());
    EXPECT_FALSE(player.stop());
    player.chooseGenerator(K::PinkNoise);
    // The playback then waits for a wake-up; a little later it sleeps in the kernel, where
    // only a real notification reaches it.
    const auto whenBothQueued = [&idle] {
        EXPECT_TRUE(eventually([&idle] { return idle.held() >= 2; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    for (std::uint32_t round = 0; round < 10; ++round) {
        // The end notice is the playback's last act: the next test's notices are its own.
        std::promise<PlaybackEnd> stopped;
        player.setEndNotice([&stopped](PlaybackEnd how) { stopped.set_value(how); });
        EXPECT_EQ(player.play(), PlayOutcome::Started);
        EXPECT_EQ(player.play(), PlayOutcome::AlreadyPlaying);
        whenBothQueued();
        player.setVolumePosition(1000 + round);
        whenBothQueued();
        player.enableRests(0, 0);
        player.disableRests();
        EXPECT_TRUE(player.stop());
        auto ended = stopped.get_future();
        // Not a figure: only a playback that never ends waits this long.
        ASSERT_EQ(ended.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "Stop did not end the playback";
    }
    player.setEndNotice(nullptr);
    EXPECT_EQ(idle.flushes(), 20U);  // each round the volume's and the final one
}

// Two pieces queued at the start, each refilled as it ends. A new level flushes the queue,
// queues one block at it, and starts the next 2 s after that; a stop during the pause ends the
// playback at once. A level changed just before a stop is not the next playback's to pause for.
TEST_F(Playback, RefillsEachPieceAsItEndsAndAfterAVolumeChangeQueuesOneBlockThenPausesTwoSeconds) {
    clock.schedule(5500, [] { EXPECT_TRUE(player.setVolumePosition(1000)); });
    clock.schedule(12'500, [] { player.setAmplitude(20000); });
    run(K::PureTone, 12'510);
    EXPECT_EQ(clock.nowMs(), 12'510U);
    clock.schedule(13'000, [] {
        EXPECT_TRUE(player.setAmplitude(30000));
        EXPECT_TRUE(player.stop());
    });
    EXPECT_EQ(player.playOnThisThread(), PlayOutcome::Started);
    run(K::PureTone, 15'500);
    EXPECT_THAT(device.queuedAt(), ElementsAre(0, 0, 1000, 2000, 3000, 4000, 5000, 5500, 7500, 7500,
                                               8500, 9500, 10'500, 11'500, 12'500, 12'510, 12'510,
                                               13'000, 13'000, 14'000, 15'000));
    EXPECT_THAT(device.silences(), ElementsAre(Pair(6500, 7500)));
    EXPECT_EQ(device.flushes(), 6U);  // the slider's three and each playback's final one
}

struct RestRow {
    std::uint32_t every;  // minutes
    std::uint32_t length;
    std::uint64_t enableMs;   // when the rest box is checked; 0: before Play
    std::uint64_t uncheckMs;  // when it is cleared; 0: never
    std::uint64_t stopMs;
    std::uint64_t endedMs;
    std::vector<TestOutputDevice::Span> silences;
};

class Rests : public Playback, public ::testing::WithParamInterface<RestRow> {};

// A rest begins at the first check (a piece queued) at which the sound queued so far ends
// later than `every` after the reference: the output falls silent within a piece of the
// schedule, and sounds again `every + length` after the reference, or within 100 ms of the
// box being cleared or of a stop. Its end is the next reference; checking the box during a
// playback makes that moment the reference.
TEST_P(Rests, FollowTheReference) {
    const RestRow& row = GetParam();
    player.amplitude = 0;  // hours of pieces: keep them cheap
    clock.schedule(row.enableMs, [&row] { player.enableRests(row.every, row.length); });
    if (row.uncheckMs != 0) {
        clock.schedule(row.uncheckMs, [] { player.disableRests(); });
    }
    if (row.enableMs == 0) {
        player.enableRests(row.every, row.length);
    }
    run(K::WhiteNoise, row.stopMs);
    EXPECT_EQ(clock.nowMs(), row.endedMs);
    EXPECT_THAT(device.silences(), ElementsAreArray(row.silences));
    EXPECT_EQ(player.resting.load(), 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Rests, ::testing::Values(
    RestRow{120, 30, 0, 0, 300 * kM + 1000, 300 * kM + 1000,
            {{120 * kM + 1000, 150 * kM}, {270 * kM + 1000, 300 * kM}}},
    RestRow{0, 1, 0, 0, 150'000, 150'000,
            {{1000, kM}, {kM + 1000, 2 * kM}, {2 * kM + 1000, 150'000}}},
    RestRow{1, 0, 0, 0, 150'500, 150'500, {}},  // never silent
    RestRow{1, 30, 0, 100'050, 110'000, 110'000, {{61'000, 100'100}}},
    RestRow{1, 30, 0, 0, 100'050, 100'100, {{61'000, 100'100}}},  // a stop ends the rest
    RestRow{1, 1, 30'500, 0, 200'000, 200'000, {{91'000, 150'000}}},  // checked while playing
    RestRow{1, kMax, 0, 0, 200'050, 200'100, {{61'000, 200'100}}},
    // kMax minutes x 60 in 32 bits would wrap to a moment before the reference.
    RestRow{kMax, 30, 0, 0, 10 * kM, 10 * kM, {}}));
// clang-format on

// The tally on the virtual clock: sound played while the output was there, never during an
// outage or a rest, nothing after the stop, and each playback its own; the state and the next rest
// change as the front ends show them, and a notice at each change of state.
TEST_F(Playback, TalliesWhatWasHeard) {
    int notices = 0;
    player.setChangeNotice([&notices] { ++notices; });
    player.enableRests(1, 1);
    const auto expect = [](BurnInState state, std::uint64_t heardMs, std::uint64_t change) {
        const BurnInReport report = player.burnIn();
        EXPECT_EQ(report.state, state);
        EXPECT_EQ(report.heardMs, heardMs);
        EXPECT_EQ(report.nextRestChange, change);
    };
    // When so much more will have been heard: before the rest, after it, after the next one.
    const auto ends = [](std::uint64_t moreMs) {
        return player.expectedEnd(player.burnIn(), moreMs);
    };
    clock.schedule(5000, [&] {
        expect(BurnInState::Playing, 4750, kStartSeconds + 60);
        EXPECT_THAT((std::array{ends(30'000), ends(115'000), ends(200'000)}),
                    ElementsAre(kStartSeconds + 35, kStartSeconds + 180, kStartSeconds + 385));
    });
    clock.schedule(10'000, [this] { device.setAvailable(false); });
    clock.schedule(15'000, [&] { expect(BurnInState::NoOutput, 9750, kStartSeconds + 60); });
    clock.schedule(25'000, [this] { device.setAvailable(true); });
    // The rest falls due between whole seconds: at 60.25 s, its end polled at 120.05 s. Until
    // the sound queued before it has played out, it is not heard yet.
    clock.schedule(59'800, [&] { expect(BurnInState::Playing, 44'550, kStartSeconds + 60); });
    clock.schedule(90'000, [&] {
        expect(BurnInState::Resting, 45'000, kStartSeconds + 120);
        EXPECT_EQ(ends(100'000), kStartSeconds + 280);
    });
    clock.sleepMs(250);
    run(K::WhiteNoise, 150'500);
    expect(BurnInState::Stopped, 45'000 + 30'450, 0);
    EXPECT_EQ(notices, 4);  // the start, the rest's start and end, the end
    player.setChangeNotice(nullptr);
    run(K::WhiteNoise, 152'500);  // the next playback counts from its own start
    expect(BurnInState::Stopped, 2000, 0);
}

}  // namespace
