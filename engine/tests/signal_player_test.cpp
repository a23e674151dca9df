// The player's state at start-up and the event that wakes the playback.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/signal_player.h"

namespace {

TEST(SignalPlayer, StartsWithTheDefaults) {
    // Nothing in this program touches the player before this test.
    const SignalPlayer& p = SignalPlayer::instance;
    EXPECT_EQ(p.playing.load(), 0);
    EXPECT_EQ(p.stopRequested.load(), 0);
    EXPECT_EQ(p.amplitude.load(), 40000);
    EXPECT_EQ(p.restEnabled.load(), 0);
    EXPECT_EQ(p.resting.load(), 0);
    EXPECT_EQ(p.volumeChanged.load(), 0);
    EXPECT_EQ(p.restEveryMinutes.load(), 120U);
    EXPECT_EQ(p.restLengthMinutes.load(), 30U);
    EXPECT_EQ(p.restReference.load(), 0U);
    EXPECT_EQ(p.device.load(), nullptr);
    EXPECT_EQ(p.toneFrequency.load(), 1000U);
    EXPECT_EQ(p.sweepSeconds.load(), 2U);
    EXPECT_EQ(p.sweepLimit.load(), 2000U);
    EXPECT_EQ(p.generator.load(), GeneratorKind::None);
    EXPECT_FALSE(SignalPlayer::instance.wakeEvent.tryWait()) << "created signalled";
    EXPECT_STREQ(AutoResetEvent::kPlaybackEventName, "vellumtone_playing");
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
