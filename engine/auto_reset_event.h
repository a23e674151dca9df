#pragma once

#include <atomic>
#include <cstdint>

// An event that wakes one waiter and then clears itself. Any number of set() calls made while
// nobody waits leave it signalled once, so a waiter never counts how often it was set.
// set() never blocks, so the audio callback may call it. Each platform has its own
// implementation file: a futex-backed atomic on Linux, a kernel event on Windows.
class AutoResetEvent {
  public:
    // The name the playback's wake-up event goes by where a platform has named events.
    static constexpr const char* kPlaybackEventName = "vellumtone_playing";

    // A named event can be opened by other processes where the platform allows it; a null
    // name makes a private one.
    explicit AutoResetEvent(const char* name = nullptr);
    // Not defaulted here: Windows closes its handle.
    ~AutoResetEvent();  // NOLINT(performance-trivially-destructible)
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void set();
    void reset();
    // Blocks until the event is signalled, then clears it.
    void wait();
    // The same, giving up after `timeoutMs`: true if it was signalled.
    bool wait(std::uint32_t timeoutMs);
    // Clears the event and returns true if it was signalled; never blocks.
    bool tryWait();

  private:
    // Linux waits on this word; an int, so that waiting and notifying go straight to the
    // kernel's futex.
    std::atomic<int> state_{0};
    // Windows keeps the kernel event's handle here.
    void* handle_ = nullptr;
};
