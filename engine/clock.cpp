#include "clock.h"

#include <chrono>
#include <thread>

#include "auto_reset_event.h"

namespace {

template <typename Unit>
std::uint64_t sinceEpoch() {
    using namespace std::chrono;
    const auto count = duration_cast<Unit>(system_clock::now().time_since_epoch()).count();
    return count < 0 ? 0 : static_cast<std::uint64_t>(count);
}

}  // namespace

bool Clock::waitFor(AutoResetEvent& event, std::uint32_t timeoutMs) {
    return event.wait(timeoutMs);
}

std::uint64_t SystemClock::now() {
    return sinceEpoch<std::chrono::seconds>();
}

std::uint64_t SystemClock::calendarMs() {
    return sinceEpoch<std::chrono::milliseconds>();
}

void SystemClock::sleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::wait(AutoResetEvent& event) {
    event.wait();
}

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}
