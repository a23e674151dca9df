#include <gtest/gtest.h>

#include <future>

#include "engine/signal_player.h"
#include "engine/test_output_device.h"
#include "engine/virtual_clock.h"

namespace {

constexpr std::uint64_t kStartSeconds = 1'700'000'000;
constexpr std::uint64_t kStartMs = kStartSeconds * 1000;

SignalPlayer& player = SignalPlayer::instance;

// What the panel's Stop button does.
void pressStop() {
    if (player.playing.load() != 0) {
        player.stopRequested = 1;
        player.wakeEvent.set();
    }
}

// One playback on a virtual clock into a recording device, started as the Play button does.
class PlaybackRun {
public:
    explicit PlaybackRun(GeneratorKind kind) {
        device_.keepSamples(false);
        player.generator = kind;
        player.device = &device_;
        player.setClock(&clock_);
        player.setEndNotice([this](PlaybackEnd how) { ended_.set_value(how); });
    }
    ~PlaybackRun() {
        player.device = nullptr;
        player.setClock(nullptr);
        player.setEndNotice(nullptr);
    }

    VirtualClock& clock() { return clock_; }
    TestOutputDevice& device() { return device_; }

    void start() {
        player.stopRequested = 0;
        player.volumeChanged = 0;
        player.wakeEvent.reset();
        player.startPlayback();
    }
    void stopAt(std::uint64_t ms) { clock_.at(kStartMs + ms, pressStop); }
    PlaybackEnd waitForEnd() { return ended_.get_future().get(); }

private:
    VirtualClock clock_{kStartSeconds};
    TestOutputDevice device_{&clock_};
    std::promise<PlaybackEnd> ended_;
};

TEST(Playback, KeepsTwoBlocksQueuedAndEndsOnStop) {
    PlaybackRun run(GeneratorKind::WhiteNoise);
    run.stopAt(5500);
    run.start();
    EXPECT_EQ(run.waitForEnd(), PlaybackEnd::Stopped);
    const auto played = run.device().played();
    ASSERT_EQ(played.size(), 7U);
    EXPECT_EQ(played[0].queuedMs, kStartMs);
    EXPECT_EQ(played[1].queuedMs, kStartMs);
    for (std::size_t i = 2; i < played.size(); ++i) {
        EXPECT_EQ(played[i].queuedMs, kStartMs + (i - 1) * 1000) << i;
        EXPECT_EQ(played[i].startMs, kStartMs + i * 1000) << i;
    }
    EXPECT_EQ(run.device().held(), 0U);
    EXPECT_EQ(player.playing.load(), 0);
}

}  // namespace
