#include "virtual_clock.h"

#include <limits>

#include "engine/auto_reset_event.h"

bool VirtualClock::runNext(std::uint64_t limit) {
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        if (actions_.empty() || actions_.begin()->first > limit) {
            return false;
        }
        auto first = actions_.begin();
        if (first->first > nowMs_.load()) {
            nowMs_ = first->first;
        }
        action = std::move(first->second);
        actions_.erase(first);
    }
    action();
    return true;
}

void VirtualClock::sleepMs(std::uint32_t ms) {
    const std::uint64_t end = nowMs() + ms;
    while (runNext(end)) {
    }
    if (end > nowMs()) {
        nowMs_ = end;
    }
}

void VirtualClock::wait(AutoResetEvent& event) {
    while (!event.tryWait()) {
        if (!runNext(std::numeric_limits<std::uint64_t>::max())) {
            event.wait();
            return;
        }
    }
}

void VirtualClock::schedule(std::uint64_t ms, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    actions_.emplace(ms, std::move(action));
}
