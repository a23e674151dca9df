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
    // Milliseconds since 1970-01-01 UTC, on the same clock as now().
    virtual std::uint64_t calendarMs() { return now() * 1000; }
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Waits without time-out until the event is signalled (and clears it).
    virtual void wait(AutoResetEvent& event) = 0;
    // Waits at most `timeoutMs` for the event; true (and cleared) if it was signalled.
    virtual bool waitFor(AutoResetEvent& event, std::uint32_t timeoutMs);
};

class SystemClock final : public Clock {
  public:
    std::uint64_t now() override;
    std::uint64_t calendarMs() override;
    void sleepMs(std::uint32_t ms) override;
    void wait(AutoResetEvent& event) override;
};

// The process-wide system clock.
Clock& systemClock();
