#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <mutex>

#include "engine/auto_reset_event.h"
#include "engine/clock.h"

// A clock for tests on which time passes only when the playback sleeps or waits. Actions
// scheduled at virtual times (a test's button presses, a test device's completions) run in
// time order on the waiting thread as time reaches them, so hours of playback take
// milliseconds and every run is the same.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(std::uint64_t startSeconds) : startSeconds_(startSeconds) {}

    std::uint64_t now() override { return startSeconds_ + nowMs_.load() / 1000; }
    std::uint64_t calendarMs() override { return startSeconds_ * 1000 + nowMs_.load(); }
    // Milliseconds since the start.
    std::uint64_t nowMs() const { return nowMs_.load(); }
    // Runs every action due within the sleep, then moves time to its end.
    void sleepMs(std::uint32_t ms) override {
        const std::uint64_t end = nowMs() + ms;
        while (runNext(end)) {
        }
        if (end > nowMs()) {
            nowMs_ = end;
        }
    }
    // Runs scheduled actions in time order until the event is signalled. With nothing left
    // to run it waits for real, for another thread to set the event.
    void wait(AutoResetEvent& event) override {
        while (!event.tryWait()) {
            if (!runNext(std::numeric_limits<std::uint64_t>::max())) {
                event.wait();
                return;
            }
        }
    }

    // The same, moving time at most `timeoutMs` on.
    bool waitFor(AutoResetEvent& event, std::uint32_t timeoutMs) override {
        const std::uint64_t end = nowMs() + timeoutMs;
        while (!event.tryWait()) {
            if (!runNext(end)) {
                nowMs_ = std::max(nowMs_.load(), end);
                return event.tryWait();
            }
        }
        return true;
    }

    // Schedules an action `ms` after the start. Actions due at the same moment run in the
    // order they were scheduled.
    void schedule(std::uint64_t ms, std::function<void()> action) {
        const std::lock_guard lock(mutex_);
        actions_.emplace(ms, std::move(action));
    }

  private:
    // Runs the earliest action due at or before `limit`, first moving time to it; false when
    // there is none.
    bool runNext(std::uint64_t limit) {
        std::function<void()> action;
        {
            const std::lock_guard lock(mutex_);
            const auto first = actions_.begin();
            if (first == actions_.end() || first->first > limit) {
                return false;
            }
            nowMs_ = std::max(nowMs_.load(), first->first);
            action = std::move(first->second);
            actions_.erase(first);
        }
        action();
        return true;
    }

    const std::uint64_t startSeconds_;
    std::atomic<std::uint64_t> nowMs_{0};
    std::mutex mutex_;
    std::multimap<std::uint64_t, std::function<void()>> actions_;
};
