#pragma once

#include <cstdint>

// When an output device counts as lost and when it tries to get its output back, whatever
// the audio system underneath. It is lost when opening or writing fails, or when the block
// it plays has not come back well after its length (a driver that died without a word); it
// then tries to open again about every 2 seconds until that succeeds. Times are milliseconds
// on any steady clock; the device keeps the rule under its own lock.
class OutputRecovery {
  public:
    static constexpr std::uint64_t kRetryMs = 2000;
    // How much longer than its length a block may take to come back. A sound server starting
    // a stream takes up to about a second more; a block later still is not coming.
    static constexpr std::uint64_t kLateMs = 2000;
    static constexpr std::uint64_t kNever = UINT64_MAX;

    // True when the block at the head of the device's queue is overdue: the device last made
    // progress (a block came back, or it started playing from empty) at `progressMs`, and
    // that block lasts `headMs`.
    static bool overdue(std::uint64_t nowMs, std::uint64_t progressMs, std::uint64_t headMs) {
        return nowMs > progressMs + headMs + kLateMs;
    }
    // When overdue() turns true.
    static std::uint64_t overdueAt(std::uint64_t progressMs, std::uint64_t headMs) {
        return progressMs + headMs + kLateMs + 1;
    }

    bool lost() const { return lost_; }
    // An open or a write failed, or a block was overdue; also a failed attempt to open again.
    void failed(std::uint64_t nowMs);
    // The device opened: its output is back.
    void opened() { lost_ = false; }
    // True while lost once the next attempt to open is due.
    bool retryDue(std::uint64_t nowMs) const { return lost_ && nowMs >= retryAtMs_; }
    // When the next attempt is due; kNever while not lost.
    std::uint64_t retryAtMs() const { return lost_ ? retryAtMs_ : kNever; }

  private:
    bool lost_ = false;
    std::uint64_t retryAtMs_ = 0;
};
