#pragma once

#include <atomic>

// An event that wakes one waiter and then clears itself. Any number of set() calls made while
// nobody waits leave it signalled once, so a waiter never counts how often it was set.
// set() takes no lock and never blocks, so the audio callback may call it.
class AutoResetEvent {
  public:
    // The name the playback's wake-up event goes by where a platform wants one.
    static constexpr const char* kPlaybackEventName = "vellumtone_playing";

    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void set() {
        state_.store(1);
        state_.notify_one();
    }
    void reset() { state_.store(0); }
    // Blocks until the event is signalled, then clears it.
    void wait() {
        while (state_.exchange(0) == 0) {
            state_.wait(0);
        }
    }
    // Clears the event and returns true if it was signalled; never blocks.
    bool tryWait() { return state_.exchange(0) != 0; }

  private:
    // An int, so that waiting and notifying go straight to the kernel's futex.
    std::atomic<int> state_{0};
};
