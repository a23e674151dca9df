// The event as one atomic word: set() is a store and a futex wake, with no lock. The futex is
// called directly, as std::atomic's wait has no time-out.
#include "engine/auto_reset_event.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

namespace {

// Sleeps while the word is still 0, for at most `timeout` (null: without limit). It may wake
// early, on a signal for instance; the callers' loops sort that out.
void futexWait(std::atomic<int>& word, const timespec* timeout) {
    syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, 0, timeout, nullptr, 0);
}

}  // namespace

AutoResetEvent::AutoResetEvent(const char* /*name*/) {}

AutoResetEvent::~AutoResetEvent() = default;

void AutoResetEvent::set() {
    state_.store(1);
    syscall(SYS_futex, reinterpret_cast<int*>(&state_), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

void AutoResetEvent::reset() {
    state_.store(0);
}

void AutoResetEvent::wait() {
    while (state_.exchange(0) == 0) {
        futexWait(state_, nullptr);
    }
}

bool AutoResetEvent::wait(std::uint32_t timeoutMs) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    while (state_.exchange(0) == 0) {
        const auto left = duration_cast<nanoseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) {
            return false;
        }
        const timespec timeout{static_cast<time_t>(left / 1'000'000'000),
                               static_cast<long>(left % 1'000'000'000)};
        futexWait(state_, &timeout);
    }
    return true;
}

bool AutoResetEvent::tryWait() {
    return state_.exchange(0) != 0;
}
