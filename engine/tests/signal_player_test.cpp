// The player's operations, and the event that wakes the playback.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

// A playback into a device whose blocks finish only when the test says so.
class PlayerOperations : public ::testing::Test {
  protected:
    void SetUp() override {
        player.restoreDefaults();
        player.setDevice(&device);
        player.setEndNotice([this](PlaybackEnd) { ended = true; });
    }
    void TearDown() override {
        player.stop();
        waitFor([this] { return ended.load(); });
        player.setDevice(nullptr);
        player.setEndNotice(nullptr);
    }
    template <typename Condition>
    static void waitFor(Condition condition) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition() && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(condition());
    }

    TestOutputDevice device;
    std::atomic<bool> ended{false};
};

TEST_F(PlayerOperations, PlayWithoutGeneratorClearsTheRequestsAndStartsNothing) {
    player.setVolumePosition(1000);  // not playing: no flush, no pause owed
    player.wakeEvent.set();
    EXPECT_EQ(player.play(), PlayOutcome::NoGenerator);
    EXPECT_FALSE(player.wakeEvent.tryWait());
    EXPECT_FALSE(player.stop());
    EXPECT_EQ(device.flushes(), 0U);
    ended = true;
}

TEST_F(PlayerOperations, TwoQuickPlaysStartOnePlayback) {
    player.chooseGenerator(GeneratorKind::WhiteNoise);
    EXPECT_EQ(player.play(), PlayOutcome::Started);
    EXPECT_EQ(player.play(), PlayOutcome::AlreadyPlaying);
    waitFor([this] { return device.played().size() == 2; });
    EXPECT_EQ(player.play(), PlayOutcome::AlreadyPlaying);
    EXPECT_EQ(device.requeuedWhileHeld(), 0U);
}

TEST_F(PlayerOperations, OnlyARealVolumeChangeFlushesWhilePlaying) {
    player.chooseGenerator(GeneratorKind::PureTone);
    player.play();
    waitFor([this] { return device.played().size() == 2; });
    // The slider reports the position it already has, as GTK does for one click.
    EXPECT_FALSE(player.setVolumePosition(SignalPlayer::kDefaultAmplitude / 2));
    EXPECT_EQ(device.flushes(), 0U);
    EXPECT_TRUE(player.setVolumePosition(99999));  // beyond the slider: its maximum
    EXPECT_EQ(player.amplitude.load(), 65534);
    EXPECT_FALSE(player.setVolumePosition(32767));
    EXPECT_EQ(device.flushes(), 1U);
    // The pause is owed, unless the playback has already queued its block after the flush and
    // taken the pause on (it clears the flag only then).
    EXPECT_TRUE(player.volumeChanged.load() == 1 || device.played().size() == 3);
}

TEST(AutoResetEvent, ManySetsWhileNobodyWaitsLeaveItSignalledOnce) {
    AutoResetEvent event;
    for (int i = 0; i < 5; ++i) {
        event.set();
    }
    EXPECT_TRUE(event.tryWait());
    EXPECT_FALSE(event.tryWait());

    event.set();
    event.set();
    event.wait();  // returns at once, and clears it
    EXPECT_FALSE(event.tryWait());
}

TEST(AutoResetEvent, ResetClearsIt) {
    AutoResetEvent event;
    event.set();
    event.reset();
    EXPECT_FALSE(event.tryWait());
    event.reset();
    EXPECT_FALSE(event.tryWait());
}

TEST(AutoResetEvent, WaitWakesOnASetFromAnotherThread) {
    AutoResetEvent event;
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        event.wait();
        woke = true;
    });
    // A waiter that returned without a set would be a fault; give it the chance to show.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(woke.load());
    event.set();
    waiter.join();
    EXPECT_TRUE(woke.load());
    EXPECT_FALSE(event.tryWait()) << "the waiter's wake-up should have cleared it";
}

TEST(AutoResetEvent, NoWakeUpIsLostBetweenTwoThreads) {
    // Two threads hand a turn back and forth; a lost set would hang here (the test's time-out
    // catches that).
    AutoResetEvent ping;
    AutoResetEvent pong;
    constexpr int kRounds = 20'000;
    std::thread other([&] {
        for (int i = 0; i < kRounds; ++i) {
            ping.wait();
            pong.set();
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        ping.set();
        pong.wait();
    }
    other.join();
    EXPECT_FALSE(ping.tryWait());
    EXPECT_FALSE(pong.tryWait());
}

}  // namespace
