#include "clock.h"

#include <chrono>
#include <thread>

#include "auto_reset_event.h"

std::uint64_t SystemClock::now() {
    using namespace std::chrono;
    const auto seconds =
        duration_cast<std::chrono::seconds>(system_clock::now().time_since_epoch());
    return seconds.count() < 0 ? 0 : static_cast<std::uint64_t>(seconds.count());
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
