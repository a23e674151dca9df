#pragma once

#include <array>
#include <cstddef>

#include "output_device.h"

// The blocks a device holds, oldest first, and how much of the oldest it has used. Not
// thread-safe: the device guards it with its own lock. It never allocates.
class BlockQueue {
  public:
    static constexpr std::size_t kCapacity = 8;
    using Blocks = std::array<BlockHeader*, kCapacity>;

    // Marks the block queued and appends it; a block beyond the capacity is not taken.
    void push(BlockHeader& header);
    bool empty() const { return count_ == 0; }
    // Bytes of the oldest block not used yet (0 when empty).
    std::size_t headLeft() const { return count_ == 0 ? 0 : head()->length - offset_; }
    // Bytes of every block not used yet.
    std::size_t bytesLeft() const;

    // Copies up to `bytes` from the oldest blocks to `out`; each block used up is marked done
    // and reported to `done`. Returns the bytes copied.
    std::size_t read(void* out, std::size_t bytes, OutputDevice* device, CompletionCallback done);
    // Marks the oldest block done and reports it, used up or not.
    void completeHead(OutputDevice* device, CompletionCallback done);
    // Empties the queue into `out`, oldest first; returns how many. The caller reports them
    // with handBack once it has let go of its lock.
    std::size_t takeAll(Blocks& out);
    static void handBack(const Blocks& blocks, std::size_t count, OutputDevice* device,
                         CompletionCallback done);

  private:
    BlockHeader* head() const { return ring_[head_]; }

    Blocks ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t offset_ = 0;  // bytes of the oldest block already used
};
