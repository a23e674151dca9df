#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/output_device.h"

class VirtualClock;

// An output device in memory, for tests. It records a copy of every block queued and, on a
// virtual clock, when nothing would be heard: it plays blocks back to back in virtual time and
// reports each one done when its last frame has played. Without a clock only a flush hands
// blocks back.
class TestOutputDevice : public OutputDevice {
  public:
    using Span = std::pair<std::uint64_t, std::uint64_t>;  // from, to in virtual time

    explicit TestOutputDevice(VirtualClock* clock = nullptr) : clock_(clock) {}

    void prepare(BlockHeader& /*header*/) override {}
    void unprepare(BlockHeader& /*header*/) override {}
    void queue(BlockHeader& header) override;
    void flush() override;
    bool available() const override { return locked(available_); }
    // Frames played on the virtual clock while the device was available.
    std::uint64_t heardFrames() const override;
    std::uint64_t pendingFrames() const override;
    // Takes the way to the speakers away or gives it back: blocks still play on the clock,
    // but what plays meanwhile is not heard.
    void setAvailable(bool available);

    // The samples of every block queued, in order (of the first thousand: long runs keep only
    // the timing of the others).
    std::vector<std::vector<std::int16_t>> played() const { return locked(played_); }
    // The virtual time of every queue call.
    std::vector<std::uint64_t> queuedAt() const { return locked(queuedAt_); }
    // The stretches from the start of the clock to the last queue or flush in which nothing
    // played.
    std::vector<Span> silences() const { return locked(silences_); }
    std::size_t held() const { return locked(held_).size(); }
    std::size_t flushes() const { return locked(flushes_); }
    // How often a block was queued again while the device still held it (always a fault).
    std::size_t requeuedWhileHeld() const { return locked(requeuedWhileHeld_); }

  private:
    template <typename T>
    T locked(const T& value) const {
        const std::lock_guard lock(mutex_);
        return value;
    }
    // Moves the play head to `ms`, recording the silence up to it if nothing was playing.
    void silentUntil(std::uint64_t ms);
    std::uint64_t nowMs() const;
    // Sound played by now, heard or not; the caller holds the lock.
    std::uint64_t playedMs() const;

    VirtualClock* clock_;
    mutable std::mutex mutex_;
    std::vector<std::vector<std::int16_t>> played_;
    std::vector<std::uint64_t> queuedAt_;
    std::vector<Span> silences_;
    std::deque<BlockHeader*> held_;  // oldest first
    std::size_t flushes_ = 0;
    std::size_t requeuedWhileHeld_ = 0;
    std::uint64_t playheadMs_ = 0;  // when the blocks queued so far will have played
    std::uint64_t soundMs_ = 0;     // queued and not dropped by a flush
    std::uint64_t unheardMs_ = 0;   // played while unavailable, up to the last outage's start
    std::uint64_t playedAtOutageMs_ = 0;
    bool available_ = true;
};
