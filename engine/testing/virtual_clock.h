#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
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
    explicit VirtualClock(std::uint64_t startSeconds) : startMs_(startSeconds * 1000) {}

    std::uint64_t now() override { return calendarMs() / 1000; }
    std::uint64_t calendarMs() override { return startMs_ + nowMs_; }
    // Milliseconds since the start.
    std::uint64_t nowMs() const { return nowMs_; }
    void sleepMs(std::uint32_t ms) override { runUntil(nullptr, nowMs_ + ms); }
    // With nothing left to run it waits for real, for another thread to set the event.
    void wait(AutoResetEvent& event) override {
        if (!runUntil(&event, kNever)) {
            event.wait();
        }
    }
    bool waitFor(AutoResetEvent& event, std::uint32_t timeoutMs) override {
        return runUntil(&event, nowMs_ + timeoutMs) || event.tryWait();
    }

    // Schedules an action `ms` after the start. Actions due at the same moment run in the
    // order they were scheduled.
    void schedule(std::uint64_t ms, std::function<void()> action) {
        const std::lock_guard lock(mutex_);
        actions_.emplace(ms, std::move(action));
    }

  private:
    static constexpr std::uint64_t kNever = ~std::uint64_t{0};

    // Runs the actions due by `end` in time order until the event is set (true); else moves
    // time on to `end`, unless that is never.
    bool runUntil(AutoResetEvent* event, std::uint64_t end) {
        while (event == nullptr || !event->tryWait()) {
            std::function<void()> action;
            {
                const std::lock_guard lock(mutex_);
                const auto first = actions_.begin();
                if (first == actions_.end() || first->first > end) {
                    nowMs_ = end == kNever ? nowMs_.load() : std::max(nowMs_.load(), end);
                    return false;
                }
                nowMs_ = std::max(nowMs_.load(), first->first);
                action = std::move(first->second);
                actions_.erase(first);
            }
            action();
        }
        return true;
    }

    const std::uint64_t startMs_;
    std::atomic<std::uint64_t> nowMs_{0};
    std::mutex mutex_;
    std::multimap<std::uint64_t, std::function<void()>> actions_;
};
