#pragma once

#include <atomic>
#include <cstdint>

#include "engine/clock.h"

// The system clock with calendar time moved on by an offset the test sets: a real-audio test
// brings a rest a minute away within seconds, while the sound still plays in real time.
class ShiftedClock final : public Clock {
  public:
    std::uint64_t now() override { return calendarMs() / 1000; }
    std::uint64_t calendarMs() override { return systemClock().calendarMs() + offsetMs.load(); }
    void sleepMs(std::uint32_t ms) override { systemClock().sleepMs(ms); }
    void wait(AutoResetEvent& event) override { systemClock().wait(event); }

    std::atomic<std::uint64_t> offsetMs{0};
};
