#pragma once

#include <cstdint>
#include <memory>

#include "output_device.h"

// One buffer of interleaved 16-bit stereo frames and the header that describes it to the
// device.
struct AudioBlock {
    std::unique_ptr<std::int16_t[]> frames;
    std::uint32_t frameCount = 0;
    BlockHeader header;

    // Returns false, leaving the block empty, when the memory cannot be had.
    bool allocate(std::uint32_t count);
    void release();
    std::uint32_t bytes() const { return frameCount * kBytesPerFrame; }
};
