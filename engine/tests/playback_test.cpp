#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "engine/random_source.h"
#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"
#include "engine/testing/virtual_clock.h"

namespace {

constexpr std::uint64_t kStartSeconds = 1'700'000'000;
constexpr std::uint64_t kStartMs = kStartSeconds * 1000;
constexpr std::uint64_t kMinute = 60'000;

SignalPlayer& player = SignalPlayer::instance;

// Milliseconds from the start of the playback.
std::uint64_t sinceStart(std::uint64_t ms) {
    return ms - kStartMs;
}

void pressStop() {
    player.stop();
}

struct Gap {
    std::uint64_t from;
    std::uint64_t to;
};

// The stretches of silence between heard blocks, in ms since the start.
std::vector<Gap> silences(const std::vector<TestOutputDevice::Played>& played) {
    std::vector<Gap> gaps;
    std::uint64_t heardUntil = kStartMs;
    for (const auto& block : played) {
        if (block.endMs == block.startMs) {
            continue;  // flushed before a frame of it was heard
        }
        if (block.startMs > heardUntil) {
            gaps.push_back({sinceStart(heardUntil), sinceStart(block.startMs)});
        }
        heardUntil = std::max(heardUntil, block.endMs);
    }
    return gaps;
}

std::size_t signChanges(const std::vector<std::int16_t>& samples) {
    std::size_t changes = 0;
    for (std::size_t i = 2; i < samples.size(); i += 2) {
        changes += (samples[i - 2] < 0) != (samples[i] < 0) ? 1 : 0;
    }
    return changes;
}

std::int16_t peak(const std::vector<std::int16_t>& samples) {
    std::int16_t most = 0;
    for (std::int16_t s : samples) {
        most = std::max<std::int16_t>(most, static_cast<std::int16_t>(std::abs(s)));
    }
    return most;
}

// One playback on a virtual clock into a recording device, started as the Play button does.
class PlaybackRun {
  public:
    explicit PlaybackRun(GeneratorKind kind, bool withDevice = true) {
        player.chooseGenerator(kind);
        player.setDevice(withDevice ? &device_ : nullptr);
        player.setClock(&clock_);
        player.setEndNotice([this](PlaybackEnd how) {
            endedAtMs_ = clock_.nowMs();
            ended_.set_value(how);
        });
    }
    ~PlaybackRun() {
        player.setDevice(nullptr);
        player.setClock(nullptr);
        player.setEndNotice(nullptr);
    }

    VirtualClock& clock() { return clock_; }
    TestOutputDevice& device() { return device_; }

    static void start() { player.play(); }
    // Schedules an action at a time counted from the start of the playback.
    void at(std::uint64_t ms, std::function<void()> action) {
        clock_.at(kStartMs + ms, std::move(action));
    }
    void stopAt(std::uint64_t ms) { at(ms, pressStop); }
    PlaybackEnd waitForEnd() { return ended_.get_future().get(); }
    std::uint64_t endedAt() const { return sinceStart(endedAtMs_); }

  private:
    VirtualClock clock_{kStartSeconds};
    TestOutputDevice device_{&clock_};
    std::promise<PlaybackEnd> ended_;
    std::uint64_t endedAtMs_ = 0;
};

class Playback : public ::testing::Test {
  protected:
    void SetUp() override { player.restoreDefaults(); }
    void TearDown() override {
        EXPECT_EQ(player.playing.load(), 0);
        EXPECT_EQ(player.resting.load(), 0);
    }
};

TEST_F(Playback, KeepsTwoBlocksQueuedRefillsEachAsItFinishesAndFlushesOnStop) {
    PlaybackRun run(GeneratorKind::WhiteNoise);
    run.stopAt(5500);
    run.start();
    EXPECT_EQ(run.waitForEnd(), PlaybackEnd::Stopped);
    EXPECT_EQ(run.endedAt(), 5500U);

    const auto played = run.device().played();
    ASSERT_EQ(played.size(), 7U);
    EXPECT_EQ(played[0].queuedMs, kStartMs);
    EXPECT_EQ(played[1].queuedMs, kStartMs);
    for (std::size_t i = 2; i < played.size(); ++i) {
        EXPECT_EQ(sinceStart(played[i].queuedMs), (i - 1) * 1000) << i;
    }
    for (const auto& block : played) {
        EXPECT_EQ(block.samples.size(), 2U * kFramesPerSecond);
    }
    EXPECT_TRUE(silences(played).empty());
    // The final flush cut the block that was playing and returned the one behind it.
    EXPECT_TRUE(played[5].flushed && played[6].flushed);
    EXPECT_EQ(sinceStart(played[5].endMs), 5500U);
    EXPECT_EQ(run.device().held(), 0U);
    EXPECT_EQ(run.device().flushes(), 1U);
}

TEST_F(Playback, RestCyclesCountFromTheReferenceAndTheNextPlayPeriodFromTheRestsEnd) {
    player.amplitude = 0;  // hours of blocks: keep them cheap
    player.restEnabled = 1;
    PlaybackRun run(GeneratorKind::WhiteNoise);
    run.device().keepSamples(false);
    run.stopAt(kMinute * 450 + 1000);  // three cycles of 150 minutes
    run.start();
    run.waitForEnd();

    // A rest begins at the first check after 120 minutes (a block queued at 7201 s) and the
    // output falls silent when the queued blocks run out; it ends 150 minutes after the
    // reference. The next play period counts from there.
    const auto gaps = silences(run.device().played());
    ASSERT_EQ(gaps.size(), 3U);
    for (std::uint64_t cycle = 0; cycle < 3; ++cycle) {
        const std::uint64_t reference = cycle * 150 * kMinute;
        EXPECT_EQ(gaps[cycle].from, reference + 120 * kMinute + 3000) << cycle;
        EXPECT_EQ(gaps[cycle].to, reference + 150 * kMinute) << cycle;
    }
    EXPECT_EQ(run.device().requeuedWhileHeld(), 0U);
}

TEST_F(Playback, RestEveryZeroRestsAtTheFirstLaterSecond) {
    player.amplitude = 0;
    player.restEnabled = 1;
    player.restEveryMinutes = 0;
    player.restLengthMinutes = 1;
    PlaybackRun run(GeneratorKind::WhiteNoise);
    run.stopAt(2 * kMinute + 30'000);
    run.start();
    run.waitForEnd();

    const auto gaps = silences(run.device().played());
    ASSERT_EQ(gaps.size(), 2U);
    EXPECT_EQ(gaps[0].from, 3000U);
    EXPECT_EQ(gaps[0].to, kMinute);
    EXPECT_EQ(gaps[1].from, kMinute + 3000);
    EXPECT_EQ(gaps[1].to, 2 * kMinute);
}

TEST_F(Playback, RestLengthZeroNeverFallsSilentAndRestartsThePlayPeriod) {
    player.amplitude = 0;
    player.restEnabled = 1;
    player.restEveryMinutes = 1;
    player.restLengthMinutes = 0;
    PlaybackRun run(GeneratorKind::WhiteNoise);
    std::vector<std::uint32_t> references;
    for (std::uint64_t ms : {30'000U, 90'000U, 150'000U}) {
        run.at(ms, [&] { references.push_back(player.restReference.load()); });
    }
    run.stopAt(150'500);
    run.start();
    run.waitForEnd();

    EXPECT_TRUE(silences(run.device().played()).empty());
    // The rest check after 60 s (at 61 s) restarts the period, and so on 61 s later.
    EXPECT_EQ(references,
              (std::vector<std::uint32_t>{kStartSeconds, kStartSeconds + 61, kStartSeconds + 122}));
    // The rest ended while the other block was still playing: it was not refilled early.
    EXPECT_EQ(run.device().requeuedWhileHeld(), 0U);
}

TEST_F(Playback, ClearingTheRestBoxEndsTheRestWithin100Ms) {
    player.restEnabled = 1;
    player.restEveryMinutes = 1;
    PlaybackRun run(GeneratorKind::PinkNoise);
    run.device().keepSamples(false);
    run.at(100'050, [] { player.restEnabled = 0; });
    run.stopAt(110'000);
    run.start();
    run.waitForEnd();

    const auto gaps = silences(run.device().played());
    ASSERT_EQ(gaps.size(), 1U);
    EXPECT_EQ(gaps[0].from, 63'000U);
    EXPECT_GT(gaps[0].to, 100'050U);
    EXPECT_LE(gaps[0].to, 100'150U);
    EXPECT_EQ(run.device().requeuedWhileHeld(), 0U);
}

TEST_F(Playback, StopDuringARestEndsWithin100MsAndFlushesTheLastBlock) {
    player.restEnabled = 1;
    player.restEveryMinutes = 1;
    PlaybackRun run(GeneratorKind::PureTone);
    run.device().keepSamples(false);
    std::uint8_t restingBeforeStop = 0;
    run.at(100'049, [&] { restingBeforeStop = player.resting.load(); });
    run.stopAt(100'050);
    run.start();
    run.waitForEnd();

    EXPECT_EQ(restingBeforeStop, 1);
    EXPECT_GT(run.endedAt(), 100'050U);
    EXPECT_LE(run.endedAt(), 100'150U);
    const auto played = run.device().played();
    ASSERT_FALSE(played.empty());
    EXPECT_TRUE(played.back().flushed);
    EXPECT_EQ(played.back().endMs, played.back().startMs);  // not one frame of it was heard
}

TEST_F(Playback, VolumeChangeFlushesQueuesOneBlockAtTheNewLevelThenPausesTwoSeconds) {
    PlaybackRun run(GeneratorKind::PureTone);
    run.at(5500, [] { player.setAmplitude(10000); });
    run.stopAt(10'000);
    run.start();
    run.waitForEnd();

    const auto played = run.device().played();
    // Blocks queued at 0, 0, 1, 2, 3, 4, 5 s; the flush at 5.5 s hands back the two held.
    ASSERT_GE(played.size(), 10U);
    EXPECT_FALSE(played[4].flushed);
    EXPECT_TRUE(played[5].flushed && played[6].flushed);
    EXPECT_EQ(peak(played[6].samples), 19999);
    EXPECT_EQ(sinceStart(played[7].queuedMs), 5500U);
    EXPECT_EQ(peak(played[7].samples), 4999);
    EXPECT_EQ(sinceStart(played[8].queuedMs), 7500U);  // after the 2,000 ms pause
    EXPECT_EQ(run.device().flushes(), 2U);             // the slider's and the final one
    const auto gaps = silences(played);
    ASSERT_EQ(gaps.size(), 1U);
    EXPECT_EQ(gaps[0].from, 6500U);
    EXPECT_EQ(gaps[0].to, 7500U);
    EXPECT_EQ(player.volumeChanged.load(), 0);
}

TEST_F(Playback, StopRightAfterAVolumeChangeEndsAfterThePause) {
    PlaybackRun run(GeneratorKind::WhiteNoise);
    run.at(5500, [] { player.setAmplitude(20000); });
    run.stopAt(5510);
    run.start();
    run.waitForEnd();

    EXPECT_EQ(run.endedAt(), 7500U);
    const auto played = run.device().played();
    EXPECT_EQ(sinceStart(played.back().queuedMs), 5500U);
}

TEST_F(Playback, LongSweepBlocksAreNotRefilledWhileStillPlayingAfterAFlush) {
    player.sweepSeconds = 3;
    PlaybackRun run(GeneratorKind::FrequencySweep);
    run.device().keepSamples(false);
    for (std::uint64_t ms : {4000U, 4300U, 9100U}) {
        run.at(ms, [] { player.setAmplitude(30000); });
    }
    run.stopAt(30'000);
    run.start();
    run.waitForEnd();
    EXPECT_EQ(run.device().requeuedWhileHeld(), 0U);
}

TEST_F(Playback, NewToneFrequencyIsHeardFromTheNextBlock) {
    PlaybackRun run(GeneratorKind::PureTone);
    run.at(2500, [] { player.toneFrequency = 440; });
    run.stopAt(4500);
    run.start();
    run.waitForEnd();

    const auto played = run.device().played();
    ASSERT_EQ(played.size(), 6U);  // queued at 0, 0, 1, 2, 3 and 4 s
    // A tone of F Hz changes sign 2F times a second.
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(signChanges(played[i].samples), 2000U, 2U) << i;
    }
    for (std::size_t i = 4; i < 6; ++i) {
        EXPECT_NEAR(signChanges(played[i].samples), 880U, 2U) << i;
    }
}

TEST_F(Playback, SweepKeepsItsPeriodButTakesANewLimitFromTheNextBlock) {
    PlaybackRun run(GeneratorKind::FrequencySweep);
    run.at(1000, [] {
        player.sweepSeconds = 5;
        player.sweepLimit = 1000;
    });
    run.stopAt(5000);
    run.start();
    run.waitForEnd();

    const auto played = run.device().played();
    ASSERT_EQ(played.size(), 4U);  // queued at 0, 0, 2 and 4 s
    // The phase swings through +-L x S radians four times a period: 4 L S / pi sign changes.
    const double changesAt2000 = 4.0 * 2000 * 2 / 3.141592653589793;
    for (std::size_t i = 0; i < played.size(); ++i) {
        EXPECT_EQ(played[i].samples.size(), 2U * 88'200) << i;
    }
    EXPECT_NEAR(static_cast<double>(signChanges(played[0].samples)), changesAt2000, 10.0);
    EXPECT_NEAR(static_cast<double>(signChanges(played[1].samples)), changesAt2000, 10.0);
    EXPECT_NEAR(static_cast<double>(signChanges(played[2].samples)), changesAt2000 / 2, 10.0);
}

TEST_F(Playback, EachPlaybackSeedsTheRandomSourceAndStartsThePinkFilterAfresh) {
    auto firstTwoBlocks = [](std::uint64_t startSeconds) {
        VirtualClock clock(startSeconds);
        TestOutputDevice device(&clock);
        std::promise<void> ended;
        player.chooseGenerator(GeneratorKind::PinkNoise);
        player.setDevice(&device);
        player.setClock(&clock);
        player.setEndNotice([&](PlaybackEnd) { ended.set_value(); });
        clock.at(startSeconds * 1000 + 500, pressStop);
        player.play();
        ended.get_future().wait();
        player.setDevice(nullptr);
        player.setClock(nullptr);
        player.setEndNotice(nullptr);
        return device.played();
    };
    const auto first = firstTwoBlocks(kStartSeconds);
    const auto again = firstTwoBlocks(kStartSeconds);
    const auto later = firstTwoBlocks(kStartSeconds + 1);
    ASSERT_EQ(first.size(), 2U);
    ASSERT_EQ(again.size(), 2U);
    EXPECT_EQ(first[0].samples, again[0].samples);
    EXPECT_EQ(first[1].samples, again[1].samples);
    EXPECT_NE(first[0].samples, later[0].samples);
    // The filter starts from 0, so the first sample sits near -A/2; the second block
    // continues the settled filter instead.
    EXPECT_LE(first[0].samples[0], -17500);
    EXPECT_GT(first[1].samples[0], -15000);
}

TEST_F(Playback, WithoutADeviceItWaitsUntilStopAndEndsCleanly) {
    PlaybackRun run(GeneratorKind::PinkNoise, /*withDevice=*/false);
    run.start();
    while (player.playing.load() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(player.playing.load(), 1);
    pressStop();
    EXPECT_EQ(run.waitForEnd(), PlaybackEnd::Stopped);
    EXPECT_TRUE(run.device().played().empty());
}

TEST_F(Playback, TheLargestRestEveryMeansPracticallyNeverInsteadOfARestAtOnce) {
    // "-1" in the rest field reads as 4294967295 minutes; x 60 in 32 bits would wrap to a
    // moment 60 s before the reference and rest at once.
    player.amplitude = 0;
    player.restEnabled = 1;
    player.restEveryMinutes = 4294967295U;
    PlaybackRun run(GeneratorKind::WhiteNoise);
    run.device().keepSamples(false);
    bool everRested = false;
    for (std::uint64_t ms = 500; ms < 10 * kMinute; ms += 1000) {
        run.at(ms, [&] { everRested = everRested || player.resting.load() != 0; });
    }
    run.stopAt(10 * kMinute);
    run.start();
    run.waitForEnd();
    EXPECT_FALSE(everRested);
    EXPECT_TRUE(silences(run.device().played()).empty());
}

TEST_F(Playback, ASweepPeriodTooLongForItsBlocksEndsAtOnceReportingMemory) {
    player.sweepSeconds = kMaxSweepSeconds + 1;
    PlaybackRun run(GeneratorKind::FrequencySweep);
    player.wakeEvent.set();
    run.start();
    EXPECT_EQ(run.waitForEnd(), PlaybackEnd::OutOfMemory);
    EXPECT_TRUE(run.device().played().empty());
    EXPECT_FALSE(player.wakeEvent.tryWait());
}

// Windows has no address-space limit to run it under.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(_WIN32)
// Runs in a child process whose address space is too small for two 635 MB sweep blocks.
void playWithoutEnoughMemory() {
    const rlimit limit{512U << 20, 512U << 20};
    setrlimit(RLIMIT_AS, &limit);
    player.sweepSeconds = kMaxSweepSeconds;
    PlaybackRun run(GeneratorKind::FrequencySweep);
    run.start();
    const bool clean = run.waitForEnd() == PlaybackEnd::OutOfMemory && player.playing.load() == 0 &&
                       run.device().played().empty();
    std::_Exit(clean ? 0 : 1);
}

TEST_F(Playback, BlocksThatCannotBeAllocatedEndThePlaybackCleanly) {
    EXPECT_EXIT(playWithoutEnoughMemory(), ::testing::ExitedWithCode(0), "");
}
#endif

TEST_F(Playback, UserActionsFromAnotherThreadWhileTheDeviceCompletesBlocks) {
    // Real threads throughout: this thread completes blocks as an audio thread would and
    // presses the controls while the playback thread runs.
    VirtualClock clock(kStartSeconds);
    TestOutputDevice device;  // completes blocks only when told
    std::promise<PlaybackEnd> ended;
    player.chooseGenerator(GeneratorKind::PinkNoise);
    player.setDevice(&device);
    player.setClock(&clock);
    player.setEndNotice([&](PlaybackEnd how) { ended.set_value(how); });
    player.play();

    auto completeBlocks = [&](int count) {
        for (int i = 0; i < count;) {
            if (device.completeNext()) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    };
    completeBlocks(20);
    player.setAmplitude(1000);
    completeBlocks(10);
    player.enableRests(0, 0);
    completeBlocks(10);
    player.restEnabled = 0;
    player.toneFrequency = 500;
    completeBlocks(10);
    pressStop();
    EXPECT_EQ(ended.get_future().get(), PlaybackEnd::Stopped);
    EXPECT_EQ(device.held(), 0U);
    EXPECT_EQ(device.requeuedWhileHeld(), 0U);
    player.setDevice(nullptr);
    player.setClock(nullptr);
    player.setEndNotice(nullptr);
}

}  // namespace
