#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "engine/output_device.h"
#include "engine/signal_player.h"

class VirtualClock;

// An output device in memory, for tests. It records a copy of every block queued and when it
// would be heard. On a virtual clock it plays blocks back to back in virtual time and
// reports each one done when its last frame has played; without one, only a flush hands
// blocks back.
class TestOutputDevice final : public OutputDevice {
  public:
    struct Played {
        std::uint64_t queuedMs = 0;  // virtual time of the queue call
        std::uint64_t startMs = 0;   // when its first frame would be heard
        std::uint64_t endMs = 0;     // when it finished, or was cut off by a flush
        bool flushed = false;        // handed back by a flush
        std::vector<std::int16_t> samples;
    };

    explicit TestOutputDevice(VirtualClock* clock = nullptr) : clock_(clock) {}

    void prepare(BlockHeader& /*header*/) override {}
    void unprepare(BlockHeader& /*header*/) override {}
    void queue(BlockHeader& header) override;
    void flush() override;

    // Long runs keep only the timing of each block, not a copy of its samples.
    void keepSamples(bool keep) { keepSamples_ = keep; }

    std::vector<Played> played() const { return locked(played_); }
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
    // Reports the block of played_[record] done, unless a flush handed it back already.
    void finish(std::size_t record);

    VirtualClock* clock_;
    mutable std::mutex mutex_;
    std::vector<Played> played_;
    std::deque<BlockHeader*> held_;  // the blocks of the last records of played_, oldest first
    std::uint64_t playheadMs_ = 0;   // when the last queued block will have played
    std::size_t flushes_ = 0;
    std::size_t requeuedWhileHeld_ = 0;
    bool keepSamples_ = true;
};
