// The event as one atomic word: set() is a store and a futex wake, with no lock.
#include "engine/auto_reset_event.h"

AutoResetEvent::AutoResetEvent(const char* /*name*/) {}

AutoResetEvent::~AutoResetEvent() = default;

void AutoResetEvent::set() {
    state_.store(1);
    state_.notify_one();
}

void AutoResetEvent::reset() {
    state_.store(0);
}

void AutoResetEvent::wait() {
    while (state_.exchange(0) == 0) {
        state_.wait(0);
    }
}

bool AutoResetEvent::tryWait() {
    return state_.exchange(0) != 0;
}
