#pragma once

#include "output_device.h"

// Hands a block back: it is no longer queued and is done. One atomic step, so that the
// playback, which waits for the queued bit to clear, never sees a half-finished header.
inline void markBlockDone(BlockHeader& header) {
    std::uint32_t flags = header.flags.load();
    while (!header.flags.compare_exchange_weak(flags, (flags & ~kBlockQueued) | kBlockDone)) {
    }
}
