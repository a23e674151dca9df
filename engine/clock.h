#pragma once

#include <cstdint>

class AutoResetEvent;

// Where the playback gets calendar time and does all of its waiting. The program uses the
// system clock; tests substitute a virtual one so that days of rest schedule pass in
// milliseconds.
class Clock {
  public:
    virtual ~Clock() = default;
    // Whole seconds since 1970-01-01 UTC.
    virtual std::uint64_t now() = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Waits without time-out until the event is signalled (and clears it).
    virtual void wait(AutoResetEvent& event) = 0;
};

class SystemClock final : public Clock {
  public:
    std::uint64_t now() override;
    void sleepMs(std::uint32_t ms) override;
    void wait(AutoResetEvent& event) override;
};

// The process-wide system clock.
Clock& systemClock();
